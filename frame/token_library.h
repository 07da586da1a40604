/*
 * The token library UTSecDll as this library relies on it: four cdecl functions, every result a
 * signed 32-bit value. The token and trace editions import it at load time; the picker edition
 * includes this header but never calls it (its calls sit behind edition::kUsesToken).
 *
 * The token library lies outside this system: only what is stated here binds it.
 */
#ifndef VEMO_FRAME_TOKEN_LIBRARY_H
#define VEMO_FRAME_TOKEN_LIBRARY_H

#include <stdint.h>

#if defined(UTSECDLL_BUILDING) || !defined(_WIN32)
#  define UTSECDLL_API
#else
#  define UTSECDLL_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Success of every function. UTEnumCtn also counts UT_ENUM_OK_ALSO as success. */
#define UT_OK 0
#define UT_ENUM_OK_ALSO (-101)

/* The DER area of the certificate record: a token certificate is at most this long. */
#define UT_CERT_MAX_SIZE 4096

/* The record UTGetCurCert fills. */
typedef struct UT_CERT_RECORD {
    uint32_t reserved;              /* a word the library does not use */
    uint32_t length;                /* bytes of DER in der */
    uint8_t der[UT_CERT_MAX_SIZE];  /* the certificate */
} UT_CERT_RECORD;

/* Makes container `index` (1 or 2 as the library asks) the current container. `reserved` is
 * passed as 0; the two words receive values the library ignores. UT_OK or UT_ENUM_OK_ALSO is
 * success, any other result is the token library's error code. */
UTSECDLL_API int32_t __cdecl UTEnumCtn(int32_t index, int32_t reserved, uint32_t* ignored1,
                                       uint32_t* ignored2);

/* The bytes the library reads at the address UTGetCurCtnName returns. */
#define UT_NAME_READ_SIZE 100

/* The current container's name: at least UT_NAME_READ_SIZE readable bytes. The pseudo-names
 * "*default*" and "*defalut*" (compared on their first 9 bytes) mark containers without a
 * user certificate. */
UTSECDLL_API const char* __cdecl UTGetCurCtnName(void);

/* Fills `record` with the current container's certificate; UT_OK is success. */
UTSECDLL_API int32_t __cdecl UTGetCurCert(UT_CERT_RECORD* record);

/* UT_OK when `buffer` holds `count` random bytes; any other result is an error code that the
 * library passes on to its caller. */
UTSECDLL_API int32_t __cdecl UTGenRandomNumber(uint32_t count, uint8_t* buffer);

#ifdef __cplusplus
}
#endif

#endif /* VEMO_FRAME_TOKEN_LIBRARY_H */
