/*
 * CVemoDll_C.h: the interface of CVemoDll_C.dll for client programs.
 *
 * Contract, shared by every export:
 *  - Each export is a synchronous call on the caller's thread and returns a signed 32-bit
 *    result code: 0 is success, the library's own failures are the negative codes below, and
 *    a few exports pass a Windows error code or a token library code through unchanged.
 *  - The caller owns every buffer. The original exports (ordinals 1 to 13) take no capacity of
 *    an output buffer: each documents the largest output it writes, and the caller provides at
 *    least that. The exports from ordinal 20 on take sized buffers, the Windows way: `*length`
 *    holds the capacity on entry and the length written on return; a null buffer with a length
 *    pointer asks for the size (the needed length, result 0); a capacity below the need writes
 *    nothing but the needed length and gives E_BUFFER_TOO_SMALL. Text outputs are
 *    zero-terminated: their length does not count the zero, and the capacity must hold it.
 *  - A required pointer that is null, or a length that does not match its text, is refused
 *    with SPC_INPUTARG_ERROR_01 before anything else happens.
 *  - Where an export hands a Windows error code on, a platform step that failed without
 *    setting one gives NTE_FAIL (0x80090020): a failure never reads as 0.
 *  - Threads: every export may be called from several threads at once, except a call that
 *    shows a window (the picker edition's dialogs and message boxes): those run modally on the
 *    calling thread; the dialogs one at a time in the process (a call that needs one while
 *    another thread shows one waits for it). Where calls share something, the library orders
 *    them: C_VEMO_Hash and C_VEMO_VerifySign use the user's working key container "temporary"
 *    one call at a time across threads and the user's processes, under a lock that no other
 *    account can take (see C_VEMO_Hash; C_VEMO_HashEx and C_VEMO_VerifyData use none);
 *    C_VEMO_GetUserCert's token source ("4") reads the token one call at a time within the
 *    process; the user log and the trace file take one entry or line at a time within the
 *    process (lines of overlapping traced calls interleave); the picker edition's remembered
 *    certificate is guarded by a lock; C_VEMO_VerifyCertPath's "ROOT" and "CA" stores, kept
 *    open between calls, are guarded by a lock. Two overlapping calls of the personal-store
 *    source both write "certinfo.txt".
 *  - Picker edition: C_VEMO_GetUserCert and C_VEMO_SignEx (C_VEMO_Sign) may show a dialog in
 *    which the user picks a certificate. The dialogs are modal on the calling thread: the call
 *    returns when the user has closed the dialog, and that thread's own windows wait meanwhile.
 *    The templates are the library's own resources, whatever program calls it.
 *
 * Editions. The same interface ships in three builds of one library:
 *  - token edition:  stdcall, 19 exports, key in the USB key token, daily user log;
 *  - trace edition:  stdcall, 18 exports (no C_VEMO_NewPack), debug trace file;
 *  - picker edition: cdecl,   16 exports, key of a personal-store certificate, no diagnostics.
 * Define CVEMO_PICKER_EDITION before including this header to call the picker edition.
 * In the token and trace editions C_VEMO_GenerateRandom and C_VEMO_Hash are exported under
 * their decorated names "_C_VEMO_GenerateRandom@8" and "_C_VEMO_Hash@20"; the import
 * libraries shipped with each edition bind the declarations below to the right names.
 * On 64-bit Windows there is one calling convention; names and ordinals are the same.
 * The exports from ordinal 20 on are in every edition, under their plain names and the same
 * ordinals, with the edition's calling convention: C_VEMO_HashEx (20), C_VEMO_SignData (21),
 * C_VEMO_VerifyData (22), C_VEMO_SignMessage (23), C_VEMO_VerifyMessage (24) and
 * C_VEMO_VerifyCertPath (25).
 */
#ifndef CVEMODLL_C_H
#define CVEMODLL_C_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#  if defined(CVEMO_PICKER_EDITION)
#    define CVEMO_CALL __cdecl
#  else
#    define CVEMO_CALL __stdcall
#  endif
#else
#  define CVEMO_CALL
#endif

#if defined(CVEMO_BUILDING_LIBRARY) || !defined(_WIN32)
#  define CVEMO_API
#else
#  define CVEMO_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Result codes: (name, value, meaning). This list is the one table of the library's own
 * codes; the library itself is built from it.
 */
#define CVEMO_RESULT_CODES(X)                                                                \
    X(E_FAILED, -1, "generic failure")                                                       \
    X(E_CTN_NO_EXIST, -5, "the token provider cannot be opened or has no usable container") \
    X(E_NO_SPEC_KEYS, -101, "the key container holds no exchange and no signature key")    \
    X(E_RSA_KEY_DATA_ERROR, -103, "key data cannot be decoded")                              \
    X(E_IMPORT_KEY_ERROR, -104, "a public key cannot be imported (internal)")               \
    X(E_ERROR_DATA, -304, "no data given to sign")                                           \
    X(E_SIGN_ERROR, -305, "hashing or signing failed")                                       \
    X(E_VERIFY_ERROR, -306, "the signature does not verify")                                 \
    X(E_CERT_DATA_ERROR, -501, "the bytes are not a valid certificate")                      \
    X(E_CERT_NOT_YET_VALID, -504, "the certificate is not yet valid")                        \
    X(E_CERT_EXPIRED, -505, "the certificate has expired")                                   \
    X(E_ISSUECERT_INVALID, -507, "no trusted root verifies the certificate")                 \
    X(E_CERT_REVOKED, -508, "a revocation list that counts holds the certificate: revoked")   \
    X(E_CRL_UNTRUSTED, -509, "no revocation list that can be trusted covers the certificate") \
    X(E_CRL_OUT_OF_DATE, -510, "the revocation list is out of date")                         \
    X(E_PATH_CONSTRAINT, -511, "an issuer of the path may not issue the certificate")        \
    X(E_ENCROLL_CERT_NO_FIND, -512, "no certificate found")                                  \
    X(E_PEM_DECODE_ERROR, -513, "the Base64 text cannot be decoded")                         \
    X(E_FILE_OPEN_ERROR, -904, "the file cannot be opened")                                  \
    X(E_FILE_READ_ERROR, -905, "the file is empty or cannot be read")                        \
    X(SPC_UNKNOWN_ERROR, -999, "a certificate is larger than 4096 bytes")                    \
    X(E_MY_STORE_ERROR, -1001, "the personal store cannot be opened")                        \
    X(E_ROOT_STORE_ERROR, -1003, "the trusted root store cannot be opened")                  \
    X(SPC_INPUTARG_ERROR_01, -1011, "an argument is missing, empty or inconsistent")         \
    X(E_ALGORITHM, -1012, "the algorithm is not one the export takes")                       \
    X(E_BUFFER_TOO_SMALL, -1013, "the output buffer is too small: the length says the need") \
    X(E_TOKEN_NO_USER_CONTAINER, -7777, "the token holds only its default containers")       \
    X(E_TOKEN_CERT_BASE, -8888, "token certificate of container n failed: -8888 + n")        \
    X(E_TOKEN_ENUM_BASE, -9999, "token container n cannot be enumerated: -9999 + n")

/*
 * Answers that are not failures: (name, value, meaning). 0 is every export's success; a
 * revocation list that counts and does not hold the certificate (C_VEMO_VerifyUserCRL, mode
 * "3") answers CVEMO_CRL_NOT_REVOKED (0, the same value as CVEMO_OK). A revoked certificate is
 * E_CERT_REVOKED, a negative code, so that no reading of the answer takes it for valid.
 */
#define CVEMO_OUTCOME_CODES(X)                                                                 \
    X(CVEMO_OK, 0, "success")                                                                  \
    X(CVEMO_CRL_NOT_REVOKED, 0, "a revocation list that counts does not hold the certificate")

enum CVEMO_RESULT_CODE {
#define CVEMO_RESULT_ENUM_ENTRY(name, value, meaning) name = (value),
    CVEMO_OUTCOME_CODES(CVEMO_RESULT_ENUM_ENTRY)
    CVEMO_RESULT_CODES(CVEMO_RESULT_ENUM_ENTRY)
#undef CVEMO_RESULT_ENUM_ENTRY
};

/*
 * Pack record: nine text items that C_VEMO_GetCertInfo fills with a certificate's subject name
 * fields, serial number and an identifier from its subject alternative name. The caller indexes
 * it directly: slot 0 country, 1 state or province, 2 locality, 3 organisation,
 * 4 organisational unit, 5 common name, 6 e-mail address, 7 serial number (hex),
 * 8 identifier from the subject alternative name. Each buffer holds PACK_ITEM_SIZE bytes.
 *
 * Layout: nine PackItem slots back to back, slot 0 first; each slot is the signed 32-bit length
 * at offset 0 and the buffer pointer after it:
 *  - win32: the pointer at offset 4, a slot of 8 bytes, the pack 72 bytes;
 *  - win64: the pointer at offset 8 (4 bytes of padding after the length), a slot of 16 bytes,
 *    the pack 144 bytes.
 *
 * Memory: every pack buffer the library allocates or releases comes from, or goes back to, the
 * process heap (HeapAlloc(GetProcessHeap(), ...), HeapFree(GetProcessHeap(), ...)), never from a
 * C runtime library: the library's C runtime is in general not the caller's.
 *  - token edition: C_VEMO_NewPack makes the pack and its buffers; C_VEMO_FreePack releases them
 *    and the pack. Give C_VEMO_FreePack only packs made by C_VEMO_NewPack.
 *  - trace edition: the pack is the caller's. Its nine buffers, PACK_ITEM_SIZE bytes each, must
 *    come from HeapAlloc(GetProcessHeap(), ...) if C_VEMO_FreePack is to release them (a caller
 *    that releases them itself may take them from anywhere).
 *  - picker edition: the pack is the caller's; every C_VEMO_GetCertInfo call stores nine fresh
 *    buffers from the process heap into it without looking at the pointers it held before (so
 *    they may be uninitialised). Release each call's buffers with C_VEMO_FreePack before the
 *    pack is filled again, or they are lost.
 */
#define PACK_ITEM_COUNT 9
#define PACK_ITEM_SIZE 200

typedef struct PackItem {
    int32_t length; /* meaningful bytes in data; 0 for an empty slot */
    char* data;     /* PACK_ITEM_SIZE bytes; null once released */
} PackItem;

typedef PackItem Pack[PACK_ITEM_COUNT];

/*
 * Signature record: the caller-owned 364-byte record of a raw signature (C_VEMO_SignEx writes
 * it, C_VEMO_VerifySign reads it). Integers are little-endian. The value field holds the
 * signature of an RSA key of up to 2400 bits (a 1024-bit key gives 128 bytes, 2048 bits 256);
 * the serial field a serial number of up to 24 bytes (48 digits and the terminator).
 */
#define CVEMO_SIGNATURE_RECORD_SIZE 364
#define CVEMO_SIGNATURE_MARKER "QUORVEL"

typedef struct CVEMO_SIGNATURE_RECORD {
    char marker[7];           /* "QUORVEL", no terminator */
    uint8_t reserved[3];      /* zero */
    char serial_number[50];   /* signer certificate's serial number, upper-case hex, zero-terminated */
    int32_t signature_length; /* bytes of signature */
    uint8_t signature[300];   /* most significant byte first, zero-filled after the value */
} CVEMO_SIGNATURE_RECORD;

/* SHA-1 digest length: what C_VEMO_Hash makes. */
#define CVEMO_SHA1_DIGEST_SIZE 20

/*
 * The digest algorithms of C_VEMO_HashEx, C_VEMO_SignData and C_VEMO_VerifyData: the platform's
 * own identifiers (CALG_SHA1, CALG_SHA_256, CALG_SHA_384, CALG_SHA_512). Any other value gives
 * E_ALGORITHM. CVEMO_DIGEST_SIZE_MAX is the longest digest (SHA-512's 64 bytes).
 */
#define CVEMO_SHA1 0x00008004u
#define CVEMO_SHA256 0x0000800Cu
#define CVEMO_SHA384 0x0000800Du
#define CVEMO_SHA512 0x0000800Eu
#define CVEMO_DIGEST_SIZE_MAX 64

/*
 * The exports, in ordinal order of the token edition. Each comment gives the largest output the
 * export writes; the detailed contract of each family stands above its group.
 */

/*
 * Releases a pack's item buffers to the process heap (see "Memory" at the pack record), setting
 * each released pointer to null.
 *  - token edition: also sets every length to 0 and releases the pack itself; a null pack is
 *    accepted. Result 0.
 *  - trace and picker editions: the lengths and the pack are left alone (the pack is the
 *    caller's); null pointers are skipped, so releasing a pack twice releases its buffers once;
 *    a null pack is ignored. Result 0 (the product's contract gives these editions no result).
 */
CVEMO_API int32_t CVEMO_CALL C_VEMO_FreePack(PackItem* pack);

/*
 * The user's certificate as text, from the source named by the first character of `source`:
 *   "0"  the certificate of the current user's "MY", else "AddressBook" store whose serial
 *        number is `serial_hex` (hex digits, most or least significant byte first, either
 *        letter case; at most 128 serial bytes compared): one-line PEM;
 *   "1"  a download from the web address `location` (HTTP/1.0 GET, see below): the response
 *        text from its "-----BEGIN CERTIFICATE-----" line to its end, as received;
 *   "2"  no source: "-----BEGIN CERTIFICATE-----" directly followed by
 *        "-----END CERTIFICATE-----" (length 52) once all three texts are non-empty;
 *   "3"  the first 4096 bytes of the file `location`, as they are;
 *   "4"  token and trace editions: the certificate of the token's first user container (of
 *        containers 1 and 2): one-line PEM;
 *   other: token and trace editions: the first certificate of the personal store "MY", found
 *        again by its display name: one-line PEM; the display name is written as UTF-16LE,
 *        without byte-order mark or terminator, to "certinfo.txt" in the current directory.
 * Picker edition: "4", every other selector, and "2" after its argument check take the
 * certificate the user picks in the selection dialog: the display names of the certificates of
 * "MY" and "AddressBook", sorted, the first one selected. OK hands out the certificate of the
 * entry picked, whatever its name shares with others': one-line PEM. E_ENCROLL_CERT_NO_FIND
 * (-512) when the user cancels (Cancel, the Escape key, the window closed). OK with no entry
 * selected, and OK on a certificate over 3072 bytes (more than the dialog's 4096-character
 * text holds), show a message box and keep the dialog open.
 *
 * One-line PEM: the armour lines around the Base64 text of the DER, no line break anywhere, a
 * zero byte after; its length is the Base64 length plus 52. "1" and "3" write no terminator.
 * `cert_out` receives at most CVEMO_CERT_TEXT_MAX bytes and a terminator; its first 4 bytes are
 * zeroed on entry. `*cert_out_length` (bytes written, terminator not counted) is written only
 * on success.
 *
 * Results: 0; SPC_INPUTARG_ERROR_01 for a null `cert_out`, `cert_out_length` or `source`, or an
 * argument the selector requires ("0": `lookup_text` and `serial_hex` not null; "1", "3":
 * `location` not null; "2": all three non-empty); "0": E_ENCROLL_CERT_NO_FIND, SPC_UNKNOWN_ERROR
 * (the certificate is over 4096 bytes of DER); "1": E_CERT_DATA_ERROR for any failure of the
 * download, a response without a certificate, and a response of 4096 bytes or more whose
 * first 4095 hold no whole certificate block; "3": E_FILE_OPEN_ERROR, E_FILE_READ_ERROR (empty file); "4": -9998/-9997
 * (E_TOKEN_ENUM_BASE + n: container n cannot be made current), -8887/-8886 (E_TOKEN_CERT_BASE +
 * n: its certificate cannot be read, or the read gives no bytes), E_TOKEN_NO_USER_CONTAINER (containers 1 and 2 are both
 * default containers; the trace edition skips only "*defalut*"), SPC_UNKNOWN_ERROR (the token
 * reports more than 4096 bytes); other: E_FAILED (store cannot be opened, is empty, no display
 * name, nothing found by it), SPC_UNKNOWN_ERROR (over 4096 bytes of DER).
 * The token edition writes failures of "0", "4" and the personal store to the user log, the
 * trace edition traces every call.
 *
 * The download: "http://" or "https://" (fetched in plain text too), host, optional ":port"
 * (80 without), a path from the first "/"; one GET request in absolute form; the response is
 * read until the server closes the connection. The whole download (connecting, the request and
 * every receive) ends within 30 s of its start, however slowly the server sends: what has not
 * arrived by then is a failure (E_CERT_DATA_ERROR). The environment variable
 * CVEMO_HTTP_TIMEOUT_MS (1 to 30000) shortens that bound, for tests. The response is text: it
 * ends at its first zero byte. A response longer than 4095 bytes is not waited for beyond them:
 * when they hold a whole certificate block, the text written is that block, from its begin line
 * to the end of its "-----END CERTIFICATE-----" (what followed is lost); otherwise
 * E_CERT_DATA_ERROR. Name resolution (a host name instead of an address) takes as
 * long as the system's resolver takes.
 */
#define CVEMO_CERT_TEXT_MAX 5516
CVEMO_API int32_t CVEMO_CALL C_VEMO_GetUserCert(const char* lookup_text, const char* serial_hex,
                                                const char* location, const char* source,
                                                char* cert_out, int32_t* cert_out_length);

/*
 * One item of a certificate as text; fills `pack` as well on every successful decode.
 * `cert_text`: PEM or bare Base64 of a DER certificate, at most 4096 characters; the token
 * edition reads it, the trace and picker editions normalise it in place (the caller's buffer
 * then holds the bare Base64 text). `item`, a decimal number:
 *   1 "V" and the version (V1, V3)     2 serial number (slot 7)
 *   3 subject (X.500 string)           4 not-before "," not-after
 *   5 issuer (X.500 string)            6 public key bits as hex (at most 511 bytes)
 *   7 authority key identifier: hex of its contents ("8014" and the identifier)
 *   8 subject key identifier: hex of the identifier      (7, 8: empty when absent)
 *   31-37 slots 0 to 6                 41 not-before      42 not-after
 *   (2 and 31 to 37 are exactly their slot's text, cut as the slot is cut, in every edition)
 *   any other: an empty text (result 0, the pack still filled).
 * Dates are local time, "year-month-day-hour-minute-second" without leading zeros.
 * Hex is upper case. `info_out` receives at most 1023 characters and a terminator (longer
 * texts are cut); its first 4 bytes are zeroed on entry. It may be null only for an item
 * outside the table.
 *
 * The pack: slots 0 to 6 the subject attributes C, ST, L, O, OU, CN, E with their terminator
 * (length = characters + 1; an absent attribute: length 1, empty text); slot 7 the serial number
 * as hex without terminator, most significant byte first when its length is even, in the
 * platform's order (least significant first) when odd; slot 8 the last 32 hex digits of the
 * subject alternative name's contents (all of them when shorter; left alone without that
 * extension). Every value is cut to its buffer (PACK_ITEM_SIZE bytes; picker edition: 100 bytes
 * for slots 0 to 6, 128 for slots 7 and 8), a cut attribute keeping its terminator. A slot whose
 * buffer pointer is null is skipped.
 *
 * Results: 0; SPC_INPUTARG_ERROR_01 (null or empty text, text over 4096 characters, null item
 * or pack, null `info_out` for an item of the table); E_FAILED (the text is not recognised as
 * a certificate text); E_PEM_DECODE_ERROR (its Base64 does not decode to at most 4096 bytes);
 * E_CERT_DATA_ERROR (the bytes are not a certificate). The pack is not written on failure,
 * except that the picker edition stores its fresh buffers first.
 */
CVEMO_API int32_t CVEMO_CALL C_VEMO_GetCertInfo(char* cert_text, const char* item, char* info_out,
                                                PackItem* pack);

/*
 * Certificate text taken by both checks: PEM ("CERTIFICATE" armour, any line breaks) or bare
 * Base64, at most 4096 characters before the terminator. The token edition works on a copy; the
 * trace and picker editions normalise `cert_text` in place, so that after the call it may hold
 * the bare Base64 text. The picker edition takes fewer than 2500 characters (longer: E_FAILED).
 * Neither check writes anything else to the caller.
 */

/*
 * Revocation list check: judges the revocation list of the file `crl_file` for the certificate
 * when `mode` reads as the decimal number 3 (as atoi reads it: leading blanks, a sign and
 * trailing text allowed, no wrap-around); modes 1 and 2 answer 0 without opening any file.
 *
 * The file is DER when its first byte is '0' (0x30) and is then read whole, whatever its size;
 * otherwise it is text, PEM ("X509 CRL" armour) or bare Base64, that decodes to at most 4096
 * bytes. A list counts only when a key the user trusts signed it: the file may come from
 * anywhere, its signature is what vouches for it.
 *
 * The list is judged in this order (names compared as RFC 5280 compares distinguished names:
 * letter case, runs of white space and the string type do not count):
 *   SPC_INPUTARG_ERROR_01  the list is not of the certificate's issuer;
 *   E_CRL_UNTRUSTED        no certificate of the current user's "ROOT" store whose subject is
 *                          the list's issuer, and whose key usage (when it has one) allows list
 *                          signing, verifies the list's signature;
 *   E_CERT_REVOKED         the list holds the certificate: revoked (even when the list is out
 *                          of date);
 *   E_CRL_UNTRUSTED        the list marks critical an extension the library does not process,
 *                          is a delta list, or its issuing distribution point leaves the
 *                          certificate out (only user, only CA or only attribute certificates,
 *                          only some reasons, an indirect list, or a distribution point name
 *                          that none of the certificate's own distribution points names);
 *   E_CRL_OUT_OF_DATE      its next update has passed or it names none, or its this-update lies
 *                          in the future (the computer's clock);
 *   CVEMO_CRL_NOT_REVOKED (0)  otherwise: the list counts and does not hold the certificate.
 * Failures before the judgement, in the order they are checked:
 *   SPC_INPUTARG_ERROR_01  no certificate text, an empty one or one over 4096 characters;
 *   E_FAILED, E_PEM_DECODE_ERROR, E_CERT_DATA_ERROR  the text is not certificate text, not
 *                          Base64, or not a certificate;
 *   SPC_INPUTARG_ERROR_01  no mode text, or a mode other than 1, 2 and 3;
 *   E_FILE_OPEN_ERROR      the file cannot be opened (a null or empty name, a folder, a file
 *                          held open elsewhere without sharing);
 *   E_FILE_READ_ERROR      the file is empty, or cannot be read whole;
 *   E_FAILED               list text that is neither CRL armour nor Base64;
 *   E_PEM_DECODE_ERROR     list text that is not Base64, or decodes to more than 4096 bytes;
 *   SPC_INPUTARG_ERROR_01  the bytes are no revocation list;
 *   E_ROOT_STORE_ERROR     the "ROOT" store cannot be opened.
 * The token edition logs every answer but 0; the other editions write nothing.
 */
CVEMO_API int32_t CVEMO_CALL C_VEMO_VerifyUserCRL(char* cert_text, const char* crl_file, const char* mode);

/*
 * Certificate check: 0 when the certificate is within its validity period now and was signed
 * directly by a certificate of the current user's "ROOT" store (no chain through intermediate
 * certificates; a root in the store passes as its own issuer). `reserved` is ignored.
 *
 * The first root of the store, in store order, whose key verifies the signature is the issuer.
 * Each revocation list in the store is judged as C_VEMO_VerifyUserCRL judges a list, the
 * store's certificates its trusted signers: a certificate that a list signed by a key of the
 * store holds is refused; a forged list, or one of another issuer, is passed over, whatever the
 * platform's own check concludes.
 *
 * Failures, in the order they are checked:
 *   SPC_INPUTARG_ERROR_01  no certificate text, an empty one or one over 4096 characters;
 *   E_FAILED, E_PEM_DECODE_ERROR, E_CERT_DATA_ERROR  the text is not certificate text, not
 *                          Base64, or not a certificate;
 *   E_CERT_NOT_YET_VALID   not yet valid (token edition; the others answer E_CERT_EXPIRED);
 *   E_CERT_EXPIRED         expired;
 *   E_ROOT_STORE_ERROR     the "ROOT" store cannot be opened;
 *   E_ISSUECERT_INVALID    no root of the store verifies the signature, or a list in the store
 *                          signed by a key of the store holds the certificate.
 * The token edition logs each failure but the argument checks; the trace edition writes a trace
 * block for every call, its steps included; the picker edition writes nothing.
 */
CVEMO_API int32_t CVEMO_CALL C_VEMO_VerifyUserCert(char* cert_text, int32_t reserved);

/*
 * C_VEMO_SignEx with selection mode 0 (its arguments 5 to 8 are C_VEMO_SignEx's 6 to 9); same
 * results and record. In the picker edition it signs with the certificate chosen earlier, or
 * shows the signing dialog when none is chosen yet.
 */
CVEMO_API int32_t CVEMO_CALL C_VEMO_Sign(int32_t reserved1, int32_t reserved2, int32_t reserved3,
                                         int32_t reserved4, const char* selector, const char* data,
                                         int32_t data_length, CVEMO_SIGNATURE_RECORD* record);

/*
 * Raw RSA signature (SHA-1, PKCS#1 v1.5) of the `data_length` bytes of the text `data` into
 * `record`, whose 364 bytes are the largest output. On entry the record is cleared except its
 * length field; marker, serial text, length and value are written only on success, so a failed
 * call leaves no marker and C_VEMO_VerifySign refuses the record.
 *
 * `data_length` must be the text's length (else SPC_INPUTARG_ERROR_01, nothing written down);
 * a null `data` or `record` is refused the same way. The reserved arguments are not examined.
 *
 * Token and trace editions: the key of the token's first key container other than the
 * pseudo-containers "*default*" and "*defalut*" (also names that begin with them), opened as
 * its listed name followed by "#7391"; its exchange key if it has one, else its signature key;
 * `selection_mode` and `selector` are not examined. The serial text is the certificate stored
 * with the key: even-length serial numbers most significant byte first, odd-length ones in the
 * platform's order (01 02 03 gives "030201"). Results:
 *   E_CTN_NO_EXIST          no token, the provider cannot be opened, only pseudo-containers,
 *                           the listing keeps failing, or the container does not open
 *   E_NO_SPEC_KEYS          the container holds neither an exchange nor a signature key
 *   E_ENCROLL_CERT_NO_FIND  no certificate is stored with the key
 *   E_CERT_DATA_ERROR       that certificate does not decode
 *   E_SIGN_ERROR            hashing or signing failed; a serial number over 24 bytes or a
 *                           signature over 300 bytes (a key above 2400 bits) is refused here
 * The token edition writes each failure to the user log; the trace edition writes nothing for
 * this export. A listed name too long to take the suffix (over 251 characters) is passed over;
 * a listing that fails twice in a row with the same error, or names more containers than a
 * token holds, ends with E_CTN_NO_EXIST.
 *
 * Picker edition (nothing written down): `selection_mode` 1 chooses the personal store ("MY")
 * certificate whose serial number, most significant byte first, is the hex text `selector`
 * (any letter case); 2 the first whose subject contains `selector`; any other mode the
 * certificate chosen by an earlier call in this process, or, when there is none, the one the
 * user picks in the signing dialog: the display names of the certificates of "MY", sorted, the
 * first one selected; Sign chooses the certificate of the entry picked. One dialog at a time:
 * a call that needs the dialog while another thread shows it waits, then signs with the
 * certificate picked there (or shows the dialog itself when that one was cancelled). A
 * certificate chosen by mode 1 or 2 or in the dialog is remembered for later calls (and for
 * C_VEMO_Sign) until another is chosen or it is refused (no private key, a serial number over
 * 24 bytes, a key above 2400 bits: that certificate is forgotten, not one chosen meanwhile by
 * another thread, so the next dialog-mode call asks again); it is released when the library is
 * unloaded. The serial text is always most significant byte first (01 02 03 gives "010203").
 * Results:
 *   SPC_INPUTARG_ERROR_01   mode 1 or 2 without a selector (null or empty)
 *   E_MY_STORE_ERROR        "MY" cannot be opened
 *   E_ENCROLL_CERT_NO_FIND  no certificate matches
 *   -2                      the certificate has no private key: a message box says so (GBK
 *                           text, OK button, on the calling thread) and it is forgotten
 *   E_SIGN_ERROR            hashing or signing failed; a serial number over 24 bytes or a key
 *                           above 2400 bits (the certificate is forgotten); the dialog was
 *                           cancelled (Cancel, the Escape key, the window closed): nothing is
 *                           remembered, the next call shows it again
 * Sign with no entry selected shows a message box and keeps the dialog open.
 */
CVEMO_API int32_t CVEMO_CALL C_VEMO_SignEx(int32_t reserved1, int32_t reserved2, int32_t reserved3,
                                           int32_t reserved4, int32_t selection_mode, const char* selector,
                                           const char* data, int32_t data_length,
                                           CVEMO_SIGNATURE_RECORD* record);

/*
 * Checks the signature `record` over the `data_length` bytes of `data` against the signer's
 * key: `key_data` is `key_data_length` bytes (1 to 4096) of an X.509 certificate or a bare
 * RSAPublicKey, as DER (first byte '0') or as PEM or Base64 text (no terminator needed). The
 * two are told apart by structure: a SEQUENCE of two INTEGERs is a key, a SEQUENCE whose first
 * element is a SEQUENCE a certificate. The key is found in a certificate by position and the
 * rest is not read: a certificate cut short after its public key still gives that key; one
 * whose serial number is longer than 127 bytes gives E_CERT_DATA_ERROR. RSA keys of up to 4096 bits with any public exponent of
 * up to 32 bits are taken; since the record carries at most 300 signature bytes, keys of up to
 * 2400 bits can verify. `hash_selector` 11 hashes with MD5, any other value with SHA-1.
 * `reserved` is not examined. Writes no output.
 *
 * Results, in the order they are checked:
 *   SPC_INPUTARG_ERROR_01   a null `record`, or a null `data` with a non-zero length
 *   E_FAILED (-1)           the record does not start with "QUORVEL" (letter case counts)
 *   SPC_INPUTARG_ERROR_01   no key data (null, length 0) or more than 4096 bytes
 *   E_FAILED (-1)           text key data that is no certificate text (a public key in its
 *                           own PEM armour included)
 *   E_RSA_KEY_DATA_ERROR    the text is not Base64; the key does not decode, or has an
 *                           exponent above 32 bits
 *   E_CERT_DATA_ERROR       the public key cannot be found in the certificate
 *   a Windows error code    the working key container "temporary" of the default provider
 *                           cannot be made (it is deleted if present, then created), or its lock
 *                           (see C_VEMO_Hash) cannot be had: ERROR_TIMEOUT after 60 s
 *   1                       the provider refuses the key
 *   E_VERIFY_ERROR          the signature does not verify; the record's length field is
 *                           outside 1..300; the hash could not be made
 *   0                       the signature is valid
 * The token edition writes each failure to the user log and works on a copy of text key data.
 * The trace and picker editions write nothing and normalise text key data in the caller's
 * buffer: afterwards it holds the normalised text (terminated if shorter) with the DER over its
 * start, never anything past `key_data_length` bytes. Calls that use "temporary" (this one and
 * C_VEMO_Hash) are serialised across the user's processes.
 */
CVEMO_API int32_t CVEMO_CALL C_VEMO_VerifySign(int32_t reserved, uint8_t* key_data, int32_t key_data_length,
                                               int32_t hash_selector, const uint8_t* data,
                                               uint32_t data_length, const CVEMO_SIGNATURE_RECORD* record);

/*
 * PKCS#7 signed messages (token and trace editions; the picker edition has neither export).
 *
 * The largest message C_VEMO_Sign_P7 writes for a text of `text_length` bytes (its string
 * length): the text and its terminating zero, the signer's certificate (at most
 * CVEMO_P7_CERTIFICATE_MAX bytes, the most the token's key carries) counted twice, since the
 * signer's identifier repeats its issuer and serial number, a signature of at most
 * CVEMO_P7_SIGNATURE_MAX bytes (a 16384-bit key, the largest the token holds) and the
 * structure around them. Size the message buffer with it: the export takes no capacity, and
 * refuses rather than writes a message longer than this.
 */
#define CVEMO_P7_CERTIFICATE_MAX 4096
#define CVEMO_P7_SIGNATURE_MAX 2048
#define CVEMO_P7_OVERHEAD_MAX 256
#define CVEMO_P7_MESSAGE_MAX(text_length)                                                    \
    ((text_length) + 1 + 2 * CVEMO_P7_CERTIFICATE_MAX + CVEMO_P7_SIGNATURE_MAX + CVEMO_P7_OVERHEAD_MAX)
/* The most C_VEMO_VerifySign_P7 takes. */
#define CVEMO_P7_VERIFY_MAX 8192

/*
 * A PKCS#7 SignedData over the text `data` and its terminating zero byte, as DER (not Base64,
 * not zero-terminated), written to `message`; its length to `*message_length`. MD5 digest, the
 * content carried inside (type data), the signer's certificate as the only certificate, no
 * revocation lists, no signed or unsigned attributes. The key is the token's, found as
 * C_VEMO_SignEx finds it (first container other than the pseudo-containers, exchange key first),
 * and the platform signs through the key's location attached to the certificate stored with it.
 * `message` receives at most CVEMO_P7_MESSAGE_MAX(strlen(data)) bytes; nothing is written to
 * either output unless the call succeeds. An empty text is signed as one zero byte.
 *
 * Results:
 *   E_ERROR_DATA (-304)     `data`, `message` or `message_length` is null, or the text is
 *                           longer than INT32_MAX - CVEMO_P7_MESSAGE_MAX(0) bytes (its message
 *                           length could not be told in 32 bits)
 *   E_CTN_NO_EXIST          no token, the provider cannot be opened, only pseudo-containers, the
 *                           listing keeps failing, or the container does not open
 *   E_NO_SPEC_KEYS          the container holds neither an exchange nor a signature key
 *   E_ENCROLL_CERT_NO_FIND  no certificate is stored with the key
 *   E_CERT_DATA_ERROR       that certificate does not decode
 *   E_FAILED (-1)           the key location cannot be made or attached; the platform cannot
 *                           size or sign the message (a provider failure while signing); a
 *                           message longer than the bound above
 * The token edition writes each failure to the user log. The trace edition writes a trace block
 * for every call that passes the argument check: the failed token step, the message's size.
 */
CVEMO_API int32_t CVEMO_CALL C_VEMO_Sign_P7(const char* data, uint8_t* message, int32_t* message_length);

/*
 * Checks the first signer's signature of a PKCS#7 SignedData (DER, the content carried inside)
 * of `*message_length` bytes at `message`, with the signer's certificate that the message
 * carries. No trust, validity or revocation check of that certificate; the content is not
 * handed back. Messages of any digest the platform knows verify, with or without signed
 * attributes; where the first signer has signed attributes, the library itself compares their
 * content type and message digest with the content (MD5 to SHA-512). Reads at most
 * CVEMO_P7_VERIFY_MAX bytes and writes nothing to the caller. C_VEMO_VerifyMessage takes these
 * messages and more.
 *
 * Results: 0 when the signature verifies; E_FAILED (-1) otherwise: a null `message` or
 * `message_length`, a length of 0 or above CVEMO_P7_VERIFY_MAX, not a signed message, no signer
 * certificate in it, a signature that does not verify, signed attributes that name another
 * content type or digest than the content's (a content changed after signing).
 * The token edition writes each failure to the user log. The trace edition, after a successful
 * verification, shows the content in a modal message box ("被签名数据原文：" and the content
 * up to its first zero byte, in the GBK code page) with an OK button, and returns when the user
 * has closed it.
 */
CVEMO_API int32_t CVEMO_CALL C_VEMO_VerifySign_P7(const uint8_t* message, const uint32_t* message_length);

/*
 * Allocates a pack with nine zeroed PACK_ITEM_SIZE-byte buffers and lengths 0, from the process
 * heap, and stores its address in `*pack` (token edition only). Results: 0; E_FAILED when the
 * pack or one of the buffers of slots 0 to 6 cannot be allocated, -2 for slot 7's, -3 for slot
 * 8's; on failure nothing stays allocated and `*pack` is null. SPC_INPUTARG_ERROR_01 for a null
 * `pack`.
 */
CVEMO_API int32_t CVEMO_CALL C_VEMO_NewPack(PackItem** pack);

/*
 * Random bytes. Writes `length` random bytes into `buffer` (0 writes nothing).
 * Default provider first; the token and trace editions fall back to the token's generator
 * and return its code; the picker edition answers -1 (no provider) or -2 (generator failed).
 * Other failures return the Windows error code (NTE_FAIL when the provider gives none).
 */
CVEMO_API int32_t CVEMO_CALL C_VEMO_GenerateRandom(uint8_t* buffer, uint32_t length);

/*
 * SHA-1 digest of `data_length` bytes at `data`. Writes exactly 20 bytes to `digest` and 20
 * to `*digest_length`. `ignored` is not examined. Failures return the Windows error code
 * (NTE_FAIL when the provider gives none).
 *
 * The digest works in the user's working key container "temporary" of the default provider
 * (deleted if present, then created; no other context is opened on it). This export and
 * C_VEMO_VerifySign take it one call at a time across the user's threads and processes, under
 * a lock that no other account can create, open or hold: on Windows a mutex in a private
 * namespace bound to the user's SID; where the system has none (Wine), a named mutex that the
 * user owns, an object of another owner under its name being passed over (the calls are then
 * ordered within the process). A call waits for the lock at most 60 s, then fails with
 * ERROR_TIMEOUT (1460); the token edition logs that as a WaitForSingleObject failure.
 */
CVEMO_API int32_t CVEMO_CALL C_VEMO_Hash(int32_t ignored, const uint8_t* data, uint32_t data_length,
                                         uint8_t* digest, uint32_t* digest_length);

/*
 * SHA-2 digests and raw signatures of any key size (ordinals 20 to 22, every edition).
 *
 * `algorithm` is one of CVEMO_SHA1, CVEMO_SHA256, CVEMO_SHA384 and CVEMO_SHA512; any other
 * value gives E_ALGORITHM (after the pointer checks). Empty data (length 0, the pointer may then
 * be null) is data like any other: its digest, its signature. Outputs are sized, as the contract
 * at the top says: a null output with a length pointer asks for the size (no signature is made
 * for it), a capacity below the need gives E_BUFFER_TOO_SMALL and writes only the needed length.
 * Failures are written to the user log in the token edition and to the trace file in the trace
 * edition ("[ERROR]<step> is error,Error Code: 0x%08x,Line %d"); the picker edition writes
 * nothing. Neither C_VEMO_HashEx nor C_VEMO_VerifyData takes a lock or a key container: calls on
 * several threads run side by side.
 */

/*
 * The digest of `data_length` bytes at `data`, made in a verification context of the
 * platform's AES-capable provider (PROV_RSA_AES). Writes 20, 32, 48 or 64 bytes.
 *
 * Results:
 *   0                       the digest was written, its length in `*digest_length`
 *                           (a size query: the length only)
 *   SPC_INPUTARG_ERROR_01   `digest_length` is null, or `data` is null with a length above 0
 *   E_ALGORITHM             an algorithm other than the four
 *   E_BUFFER_TOO_SMALL      `*digest_length` is below the digest's length (written there)
 *   a Windows error code    the provider cannot be opened, or the digest cannot be made
 */
CVEMO_API int32_t CVEMO_CALL C_VEMO_HashEx(uint32_t algorithm, const uint8_t* data, uint32_t data_length,
                                           uint8_t* digest, uint32_t* digest_length);

/*
 * An RSA signature (PKCS#1 v1.5) of the digest of `data_length` bytes at `data`, most
 * significant byte first: the bytes `openssl dgst -sha256 -sign <key>` writes for the same key
 * and data. Its length is the key's size in bytes (128 for 1024 bits, 512 for 4096); a size
 * query chooses the key and reads its size, but signs nothing.
 *
 * The key, as C_VEMO_SignEx chooses it:
 *  - token and trace editions: with a null or empty `selector`, the key of the token's first
 *    key container other than the pseudo-containers (its exchange key, else its signature key);
 *    otherwise the key, of any container and either key spec, whose certificate's serial number
 *    is `selector` as upper-case hex, most significant byte first (compared in any letter case);
 *    `selection_mode` is not examined;
 *  - picker edition: `selection_mode` and `selector` as in C_VEMO_SignEx (1: serial number,
 *    2: subject, else the remembered certificate or the signing dialog), remembered alike. A
 *    key whose provider makes no SHA-2 digests (a key of the base provider) is used through
 *    the platform's AES-capable provider, which holds the same key containers.
 *
 * Results:
 *   0                       the signature was written, its length in `*signature_length`
 *   SPC_INPUTARG_ERROR_01   `signature_length` is null, or `data` is null with a length above 0;
 *                           picker: mode 1 or 2 without a selector
 *   E_ALGORITHM             an algorithm other than the four
 *   E_BUFFER_TOO_SMALL      `*signature_length` is below the key's size (written there)
 *   E_CTN_NO_EXIST, E_NO_SPEC_KEYS, E_ENCROLL_CERT_NO_FIND, E_CERT_DATA_ERROR
 *                           token: as from C_VEMO_SignEx; E_ENCROLL_CERT_NO_FIND also when no
 *                           certificate of the token has the serial number `selector`
 *   E_MY_STORE_ERROR, E_ENCROLL_CERT_NO_FIND, -2
 *                           picker: as from C_VEMO_SignEx (-2: no private key, after its box)
 *   E_SIGN_ERROR            hashing or signing failed, or the key's size cannot be read;
 *                           picker: the dialog was cancelled
 */
CVEMO_API int32_t CVEMO_CALL C_VEMO_SignData(uint32_t algorithm, int32_t selection_mode, const char* selector,
                                             const uint8_t* data, uint32_t data_length, uint8_t* signature,
                                             uint32_t* signature_length);

/*
 * Checks an RSA signature (PKCS#1 v1.5, most significant byte first, as C_VEMO_SignData and
 * openssl make it) of the digest of `data_length` bytes at `data` against the signer's key:
 * `key_data` is `key_data_length` bytes of an X.509 certificate or a bare RSAPublicKey, as DER
 * (first byte '0') or as PEM or Base64 text, of any length, as C_VEMO_VerifySign tells them
 * apart and finds the key. RSA keys of 1024 to 16384 bits with any public exponent of up to 32
 * bits. Nothing is written; the caller's key data is never changed. A verification context of
 * the platform's AES-capable provider: no key container, no lock.
 *
 * Results:
 *   0                       the signature is valid
 *   SPC_INPUTARG_ERROR_01   `key_data` or `signature` is null, `key_data_length` is 0, or `data`
 *                           is null with a length above 0
 *   E_ALGORITHM             an algorithm other than the four
 *   E_FAILED (-1)           text key data that is no certificate text
 *   E_RSA_KEY_DATA_ERROR    the text is not Base64; the key does not decode, is below 1024 or
 *                           above 16384 bits, has an exponent above 32 bits, or the provider
 *                           refuses it
 *   E_CERT_DATA_ERROR       the public key cannot be found in the certificate
 *   a Windows error code    the provider cannot be opened
 *   E_VERIFY_ERROR          the signature does not verify (another length than the key's
 *                           included), or the digest cannot be made
 */
CVEMO_API int32_t CVEMO_CALL C_VEMO_VerifyData(uint32_t algorithm, const uint8_t* key_data, uint32_t key_data_length,
                                               const uint8_t* data, uint32_t data_length, const uint8_t* signature,
                                               uint32_t signature_length);

/*
 * Signed messages (CMS / PKCS#7 SignedData), every edition.
 *
 * C_VEMO_SignMessage (ordinal 23) signs `data_length` bytes at `data` (empty data, the pointer
 * then may be null, is an empty content) with the key C_VEMO_SignData chooses from `selection_mode`
 * and `selector`, into a SignedData: the digest `algorithm` (CVEMO_SHA1 ... CVEMO_SHA512, else
 * E_ALGORITHM), RSA PKCS#1 v1.5, the signed attributes content type, message digest and signing
 * time (UTCTime, now), and the signer's certificate. `flags`, any of:
 *   CVEMO_MSG_DETACHED  the content is left out (give it to the verifier beside the message);
 *   CVEMO_MSG_CHAIN     the certificates of the signer's path to its root, as far as the current
 *                       user's "CA" and "MY" stores hold them, are carried too (the root not);
 *   CVEMO_MSG_PEM       the message is text: "-----BEGIN PKCS7-----", Base64 in lines of 64
 *                       characters, "-----END PKCS7-----", each line ended by "\n", and a zero
 *                       byte that the length does not count;
 * any other bit gives SPC_INPUTARG_ERROR_01. `message` is sized the Windows way: a size query
 * chooses the key and answers a bound that the message never exceeds, without signing; a capacity
 * of at least the message's length succeeds and returns that length; a shorter one writes nothing
 * and answers the bound with E_BUFFER_TOO_SMALL.
 *
 * Results:
 *   0                       the message was written, its length in `*message_length` (a size
 *                           query: the bound)
 *   SPC_INPUTARG_ERROR_01   `message_length` is null, `data` is null with a length above 0, an
 *                           unknown flag; picker: mode 1 or 2 without a selector
 *   E_ALGORITHM             an algorithm other than the four
 *   E_BUFFER_TOO_SMALL      the capacity is below the message's length (the bound written)
 *   E_CTN_NO_EXIST, E_NO_SPEC_KEYS, E_ENCROLL_CERT_NO_FIND, E_CERT_DATA_ERROR, E_MY_STORE_ERROR, -2
 *                           the key cannot be chosen, as from C_VEMO_SignData
 *   E_SIGN_ERROR            the platform could not sign (the key's size, its provider); picker:
 *                           the signing dialog was cancelled
 *   E_FAILED (-1)           the message's bound cannot be told in 32 bits
 * Failures are written down as C_VEMO_SignData writes them.
 */
#define CVEMO_MSG_DETACHED 0x1u
#define CVEMO_MSG_CHAIN 0x2u
#define CVEMO_MSG_PEM 0x4u

CVEMO_API int32_t CVEMO_CALL C_VEMO_SignMessage(uint32_t algorithm, uint32_t flags, int32_t selection_mode,
                                                const char* selector, const uint8_t* data, uint32_t data_length,
                                                uint8_t* message, uint32_t* message_length);

/*
 * C_VEMO_VerifyMessage (ordinal 24) checks the `message_length` bytes at `message`: DER, or
 * text (Base64 in "-----BEGIN PKCS7-----" or "-----BEGIN CMS-----" armour, or bare, line breaks
 * allowed). The content is carried inside (attached: `detached_content` null) or given beside it
 * (detached: `detached_content` and `detached_length`; a length of 0 is an empty content). Digests
 * MD5, SHA-1, SHA-256, SHA-384 and SHA-512; with or without signed attributes; one or more
 * signers, and every signer must verify with its certificate, which the message must carry.
 * Where a signer has signed attributes, the library compares their content type with the
 * message's and their message digest with the content's digest itself (no platform is relied on
 * for that). The signer's certificate is not judged (no trust, validity or revocation check): give
 * it to the certificate checks.
 *
 * Outputs, sized the Windows way (see the contract at the top), each only where its buffer or its
 * length pointer is given (both null: not returned), filled only after every signer verified:
 * `content` the content of an attached message (length 0 for a detached one), and
 * `signer_certificate` the first signer's certificate as one-line PEM text (zero-terminated, the
 * length not counting the zero). A null buffer with a length pointer asks for the size (the
 * message is verified all the same). When either buffer is too small, neither is written: both
 * lengths tell the need, E_BUFFER_TOO_SMALL.
 *
 * Results:
 *   0                       every signer verifies; the outputs asked for are written
 *   SPC_INPUTARG_ERROR_01   a null `message`; a buffer without its length pointer; a null
 *                           `detached_content` with a length above 0; a detached message without
 *                           `detached_content`, or an attached one with it
 *   E_FAILED (-1)           not a signed message: length 0, not DER or armoured Base64, cut short
 *                           or malformed, no signers; the message does not carry a signer's
 *                           certificate; the platform's provider failed
 *   E_VERIFY_ERROR (-306)   a signature does not verify, or a signer's signed attributes name
 *                           another content type or digest than the content's (a changed content)
 *   E_ALGORITHM (-1012)     a digest, signature or key algorithm other than the ones above (RSA)
 *   E_BUFFER_TOO_SMALL      see above
 * The token edition writes each failure to the user log, the trace edition a trace block for
 * every call; the picker edition writes nothing. Calls from several threads run in parallel.
 */
CVEMO_API int32_t CVEMO_CALL C_VEMO_VerifyMessage(const uint8_t* message, uint32_t message_length,
                                                  const uint8_t* detached_content, uint32_t detached_length,
                                                  uint8_t* content, uint32_t* content_length,
                                                  char* signer_certificate, uint32_t* signer_certificate_length);

/*
 * Certification path validation (ordinal 25 in every edition).
 *
 * Builds a path from the certificate `cert_text` (PEM or bare Base64, as C_VEMO_VerifyUserCert
 * takes it, at most 4096 characters; never changed, in any edition) to a trust anchor, any
 * certificate of the current user's "ROOT" store, through the intermediate certificates of
 * `intermediates` (null, or text of one or more "-----BEGIN CERTIFICATE-----" blocks, at most
 * CVEMO_PATH_INTERMEDIATES_MAX; text between blocks is passed over; without a block the text is
 * one certificate's Base64; an empty text holds none) and of the current user's "CA" store.
 * Issuers are found by name (names compared as RFC 5280 compares them: letter case and runs of
 * white space folded, PrintableString and UTF8String alike), anchors first; where several could
 * issue a certificate (renewed or cross certificates), each is tried in turn. The search is
 * bounded: paths of at most CVEMO_PATH_LENGTH_MAX certificates (anchor included), at most 128
 * issuer signatures checked and 16 complete paths judged in one call. The "ROOT" and "CA" stores
 * stay open between calls (they are costly to read) and are opened again once the registry's
 * certificate stores, the current user's or the local machine's, have changed.
 *
 * The path validates as RFC 5280 section 6.1 does, without certificate policies (they are not
 * processed, so a certificate that marks policies critical is refused like any other unprocessed
 * critical extension; the extended key usage is recognised, and no purpose is asked): every
 * signature verifies with its issuer's key; every certificate, the anchor included, is within
 * its validity period now; every issuer is a CA (basic constraints) within its path length
 * constraint (self-issued certificates below it not counted) and, where it carries key usage, may
 * sign certificates; the names below an issuer (subject, e-mail addresses in it, alternative
 * names) keep its name constraints (self-issued intermediates exempt); no certificate marks an
 * extension critical that is not processed. The anchor's own basic constraints, key usage and
 * name constraints apply where it carries them (an anchor without basic constraints counts as a
 * CA); a certificate that is itself in "ROOT" is its own one-certificate path.
 *
 * Revocation: lists come from `crl_files` (null, or file names separated by ';', empty names
 * passed over, at most CVEMO_PATH_LIST_FILES_MAX; each DER, PEM or bare Base64 as
 * C_VEMO_VerifyUserCRL reads it) and from the "ROOT" and "CA" stores; nothing is downloaded.
 * Each list is judged for each certificate below the anchor as C_VEMO_VerifyUserCRL judges it:
 * it must be of the certificate's issuer and signed by the issuer's key, or by another
 * certificate under the issuer's name whose own path validates (its own revocation is not
 * checked), with key usage allowing list signing where it carries key usage. Such a list that
 * holds the certificate revokes it, even when out of date; one that does not hold it counts when
 * it is current, marks no unknown extension critical and its scope covers the certificate
 * (delta and indirect lists do not count). `flags`: CVEMO_PATH_REVOCATION asks that every
 * certificate below the anchor be covered by a list that counts; without it, lists that are
 * there are honoured and missing ones are no error. Other bits: SPC_INPUTARG_ERROR_01.
 *
 * `path_out` (may be null, with or without `path_out_length`): the path's subjects, as
 * C_VEMO_GetCertInfo writes item 3 (a carriage return or line feed inside a subject written as
 * a space), one a line, the certificate first and the anchor last, lines separated by one line
 * feed (none after the last), zero-terminated; on a failure, the path as far as it was judged,
 * the failing certificate last (no path reached an anchor: the longest chain of issuers found).
 * Sized as the header's contract says, with one difference: the result is the validation's. A
 * size query answers with the validation's result and the length; a failure writes its path
 * when it fits and otherwise only the length; a path that validates but does not fit gives
 * E_BUFFER_TOO_SMALL. CVEMO_PATH_TEXT_MAX bytes always suffice.
 *
 * Results, in the order they are checked:
 *   SPC_INPUTARG_ERROR_01  no certificate text, an empty one or one over 4096 characters;
 *                          unknown flags; `path_out` without `path_out_length`; more
 *                          intermediates or list files than the bounds above; a list file that
 *                          holds no revocation list;
 *   E_FAILED, E_PEM_DECODE_ERROR, E_CERT_DATA_ERROR  the certificate or an intermediate is not
 *                          certificate text, not Base64 (of at most 4096 bytes), not a
 *                          certificate; a list file's text is neither armour nor Base64, or
 *                          does not decode;
 *   E_FILE_OPEN_ERROR, E_FILE_READ_ERROR  a list file cannot be opened; it is empty or unread;
 *   E_ROOT_STORE_ERROR     the "ROOT" store cannot be opened;
 *   E_ISSUECERT_INVALID    no path reaches an anchor (no issuer found, no candidate's signature
 *                          verifies, or the bounds were reached);
 *   then, when no path validates, the first path that reached an anchor: its certificates from
 *   the certificate up, each for
 *   E_CERT_NOT_YET_VALID, E_CERT_EXPIRED  not yet valid / expired (both codes in every edition);
 *   E_PATH_CONSTRAINT      an issuer that may not issue, a name outside an issuer's constraints,
 *                          or an unprocessed extension marked critical;
 *   and then again from the certificate up, each for its revocation:
 *   E_CERT_REVOKED         a list that counts holds the certificate;
 *   E_CRL_OUT_OF_DATE, E_CRL_UNTRUSTED  with CVEMO_PATH_REVOCATION: a certificate is covered by
 *                          no list that counts, because its issuer's trusted lists are out of date
 *                          / because none can be trusted (or there is none);
 *   E_BUFFER_TOO_SMALL     the path validates and `path_out` is too small.
 * The token edition logs each failure but the argument checks, the trace edition writes a trace
 * block for every call, its steps included; the picker edition writes nothing.
 */
#define CVEMO_PATH_REVOCATION 0x1u
#define CVEMO_PATH_LENGTH_MAX 16
#define CVEMO_PATH_INTERMEDIATES_MAX 64
#define CVEMO_PATH_LIST_FILES_MAX 32
/* CVEMO_PATH_LENGTH_MAX subjects of at most 1023 characters, the line feeds and the zero. */
#define CVEMO_PATH_TEXT_MAX (CVEMO_PATH_LENGTH_MAX * 1024)

CVEMO_API int32_t CVEMO_CALL C_VEMO_VerifyCertPath(const char* cert_text, const char* intermediates,
                                                   const char* crl_files, uint32_t flags, char* path_out,
                                                   uint32_t* path_out_length);

#ifdef __cplusplus
}
#endif

#endif /* CVEMODLL_C_H */
