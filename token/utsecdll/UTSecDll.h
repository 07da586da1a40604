/*
 * UTSecDll.h: the token library's interface, as the library calls it (cdecl, every result a
 * signed 32-bit value). UTSecDll.dll of the software token implements it.
 */
#ifndef UTSECDLL_H
#define UTSECDLL_H

#include <stdint.h>

#if defined(UTSECDLL_BUILDING) || !defined(_WIN32)
#  define UTSECDLL_API
#else
#  define UTSECDLL_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The DER area of the certificate record. */
#define UT_CERT_MAX_SIZE 4096

/* The record UTGetCurCert fills. */
typedef struct UT_CERT_RECORD {
    uint32_t reserved;              /* the container's key specification (1, 2; 0: none) */
    uint32_t length;                /* bytes of DER in der */
    uint8_t der[UT_CERT_MAX_SIZE];  /* the certificate */
} UT_CERT_RECORD;

/* Results other than 0. UTEnumCtn also counts UT_ENUM_OK_ALSO as success. */
#define UT_OK 0
#define UT_ENUM_OK_ALSO (-101)
#define UT_ERR_TOKEN_ABSENT 0x0E000011     /* no token is plugged in */
#define UT_ERR_NO_CONTAINER 0x0E000012     /* no container of that index / no current one */
#define UT_ERR_NO_CERTIFICATE 0x0E000013   /* the container holds no certificate */
#define UT_ERR_BAD_ARGUMENT 0x0E000014     /* a null pointer or an index below 1 */
#define UT_ERR_CERT_TOO_LARGE 0x0E000015   /* the certificate exceeds UT_CERT_MAX_SIZE */
#define UT_ERR_RANDOM_FAILED 0x0E000016    /* the generator failed */
#define UT_ERR_TOKEN_DAMAGED 0x0E000017    /* the token cannot be read */
#define UT_ERR_INTERNAL 0x0E000018         /* out of memory or another internal failure */

/* The contract of every function: no function keeps a pointer it was given, a null pointer is
 * refused with UT_ERR_BAD_ARGUMENT, and the token is read afresh at each call, so pulling it
 * out (or provisioning it) between two calls is seen by the next one. The current container
 * is one per process; a caller that enumerates and then reads the current container from
 * several threads serialises that sequence itself. */

/* Makes container `index` (1-based, store order) the current container, and stores the number
 * of containers in *count and the container's key specification in *keySpec. Any failure
 * leaves no container current. */
UTSECDLL_API int32_t __cdecl UTEnumCtn(int32_t index, int32_t reserved, uint32_t* count,
                                       uint32_t* keySpec);

/* The length of the name buffer UTGetCurCtnName hands out; longer names are cut. */
#define UT_NAME_BUFFER_SIZE 260

/* The current container's name, zero-terminated, in a buffer of UT_NAME_BUFFER_SIZE bytes that
 * stays valid until this thread calls again (each thread has its own). An empty name when no
 * container is current. */
UTSECDLL_API const char* __cdecl UTGetCurCtnName(void);

/* Fills `record` with the current container's certificate. A certificate larger than
 * UT_CERT_MAX_SIZE is refused with UT_ERR_CERT_TOO_LARGE; on failure the record is untouched. */
UTSECDLL_API int32_t __cdecl UTGetCurCert(UT_CERT_RECORD* record);

/* Writes `count` random bytes from the token's generator into `buffer` (null when count is 0).
 * The generator is the system's, not a CryptoAPI provider's. */
UTSECDLL_API int32_t __cdecl UTGenRandomNumber(uint32_t count, uint8_t* buffer);

#ifdef __cplusplus
}
#endif

#endif /* UTSECDLL_H */
