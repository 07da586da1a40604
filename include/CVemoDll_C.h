/*
 * CVemoDll_C.h: the interface of CVemoDll_C.dll for client programs.
 *
 * Contract, shared by every export:
 *  - Each export is a synchronous call on the caller's thread and returns a signed 32-bit
 *    result code: 0 is success, the library's own failures are the negative codes below, and
 *    a few exports pass a Windows error code or a token library code through unchanged.
 *  - The caller owns every buffer. No export takes the capacity of an output buffer: each
 *    export documents the largest output it writes, and the caller provides at least that.
 *  - A required pointer that is null, or a length that does not match its text, is refused
 *    with SPC_INPUTARG_ERROR_01 before anything else happens.
 *  - The library is called by one thread at a time.
 *
 * Editions. The same interface ships in three builds of one library:
 *  - token edition:  stdcall, 13 exports, key in the USB key token, daily user log;
 *  - trace edition:  stdcall, 12 exports (no C_VEMO_NewPack), debug trace file;
 *  - picker edition: cdecl,   10 exports, key of a personal-store certificate, no diagnostics.
 * Define CVEMO_PICKER_EDITION before including this header to call the picker edition.
 * In the token and trace editions C_VEMO_GenerateRandom and C_VEMO_Hash are exported under
 * their decorated names "_C_VEMO_GenerateRandom@8" and "_C_VEMO_Hash@20"; the import
 * libraries shipped with each edition bind the declarations below to the right names.
 * On 64-bit Windows there is one calling convention; names and ordinals are the same.
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
    X(E_ENCROLL_CERT_NO_FIND, -512, "no certificate found")                                  \
    X(E_PEM_DECODE_ERROR, -513, "the Base64 text cannot be decoded")                         \
    X(E_FILE_OPEN_ERROR, -904, "the file cannot be opened")                                  \
    X(E_FILE_READ_ERROR, -905, "the file is empty or cannot be read")                        \
    X(SPC_UNKNOWN_ERROR, -999, "a certificate is larger than 4096 bytes")                    \
    X(E_MY_STORE_ERROR, -1001, "the personal store cannot be opened")                        \
    X(E_ROOT_STORE_ERROR, -1003, "the trusted root store cannot be opened")                  \
    X(SPC_INPUTARG_ERROR_01, -1011, "an argument is missing, empty or inconsistent")         \
    X(E_TOKEN_CERT_BASE, -8888, "token certificate of container n failed: -8888 + n")        \
    X(E_TOKEN_ENUM_BASE, -9999, "token container n cannot be enumerated: -9999 + n")

enum CVEMO_RESULT_CODE {
    CVEMO_OK = 0,
#define CVEMO_RESULT_ENUM_ENTRY(name, value, meaning) name = (value),
    CVEMO_RESULT_CODES(CVEMO_RESULT_ENUM_ENTRY)
#undef CVEMO_RESULT_ENUM_ENTRY
};

/*
 * Pack record: nine text items that C_VEMO_GetCertInfo fills with a certificate's subject name
 * fields, serial number and an identifier from its subject alternative name. The caller indexes
 * it directly: slot 0 country, 1 state or province, 2 locality, 3 organisation,
 * 4 organisational unit, 5 common name, 6 e-mail address, 7 serial number (hex),
 * 8 identifier from the subject alternative name. Each buffer holds PACK_ITEM_SIZE bytes.
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

/* SHA-1 digest length, the only digest the library makes. */
#define CVEMO_SHA1_DIGEST_SIZE 20

/*
 * The exports, in ordinal order of the token edition. Each comment gives the largest output the
 * export writes; the detailed contract of each family stands above its group.
 */

/* Releases a pack's item buffers (and, in the token edition, the pack made by C_VEMO_NewPack). */
CVEMO_API int32_t CVEMO_CALL C_VEMO_FreePack(PackItem* pack);

/*
 * The user's certificate as text, from the source named by the first character of `source`.
 * `cert_out` receives at most CVEMO_CERT_TEXT_MAX bytes and a terminator.
 */
#define CVEMO_CERT_TEXT_MAX 5516
CVEMO_API int32_t CVEMO_CALL C_VEMO_GetUserCert(const char* lookup_text, const char* serial_hex,
                                                const char* location, const char* source,
                                                char* cert_out, int32_t* cert_out_length);

/* One item of a certificate as text (at most 1023 characters and a terminator); fills `pack`. */
CVEMO_API int32_t CVEMO_CALL C_VEMO_GetCertInfo(char* cert_text, const char* item, char* info_out,
                                                PackItem* pack);

/* Looks the certificate up in a revocation list file (mode "3"); modes "1" and "2" check nothing. */
CVEMO_API int32_t CVEMO_CALL C_VEMO_VerifyUserCRL(char* cert_text, const char* crl_file, const char* mode);

/* Validity period now, and a certificate of the trusted root store as the direct issuer. */
CVEMO_API int32_t CVEMO_CALL C_VEMO_VerifyUserCert(char* cert_text, int32_t reserved);

/*
 * C_VEMO_SignEx with selection mode 0 (its arguments 5 to 8 are C_VEMO_SignEx's 6 to 9); same
 * results and record. In the picker edition it signs with the certificate chosen earlier.
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
 * certificate chosen by an earlier call in this process. A certificate chosen by mode 1 or 2 is
 * remembered for later calls (and for C_VEMO_Sign) until another is chosen or its private key
 * cannot be had; it is released when the library is unloaded. The serial text is always most
 * significant byte first (01 02 03 gives "010203"). Results:
 *   SPC_INPUTARG_ERROR_01   mode 1 or 2 without a selector (null or empty)
 *   E_MY_STORE_ERROR        "MY" cannot be opened
 *   E_ENCROLL_CERT_NO_FIND  no certificate matches
 *   -2                      the certificate has no private key: a message box says so (GBK
 *                           text, OK button, on the calling thread) and the remembered
 *                           certificate is forgotten
 *   E_SIGN_ERROR            hashing or signing failed; a serial number over 24 bytes; and any
 *                           other mode with no certificate remembered: the signing dialog is
 *                           not yet available, so that mode ends as a cancelled dialog does,
 *                           without showing anything
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
 * element is a SEQUENCE a certificate. RSA keys of up to 4096 bits with any public exponent of
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
 *                           cannot be made (it is deleted if present, then created)
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

/* PKCS#7 SignedData (DER) over the text and its terminating zero byte (token and trace editions). */
CVEMO_API int32_t CVEMO_CALL C_VEMO_Sign_P7(const char* data, uint8_t* message, int32_t* message_length);

/* Verifies a PKCS#7 SignedData made by C_VEMO_Sign_P7 (token and trace editions). */
CVEMO_API int32_t CVEMO_CALL C_VEMO_VerifySign_P7(const uint8_t* message, const uint32_t* message_length);

/* Allocates a pack with nine zeroed PACK_ITEM_SIZE-byte buffers (token edition only). */
CVEMO_API int32_t CVEMO_CALL C_VEMO_NewPack(PackItem** pack);

/*
 * Random bytes. Writes `length` random bytes into `buffer` (0 writes nothing).
 * Default provider first; the token and trace editions fall back to the token's generator
 * and return its code; the picker edition answers -1 (no provider) or -2 (generator failed).
 * Other failures return the Windows error code.
 */
CVEMO_API int32_t CVEMO_CALL C_VEMO_GenerateRandom(uint8_t* buffer, uint32_t length);

/*
 * SHA-1 digest of `data_length` bytes at `data`. Writes exactly 20 bytes to `digest` and 20
 * to `*digest_length`. `ignored` is not examined. Failures return the Windows error code.
 */
CVEMO_API int32_t CVEMO_CALL C_VEMO_Hash(int32_t ignored, const uint8_t* data, uint32_t data_length,
                                         uint8_t* digest, uint32_t* digest_length);

#ifdef __cplusplus
}
#endif

#endif /* CVEMODLL_C_H */
