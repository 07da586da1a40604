/*
 * UTSecDll.h: the software token's UTSecDll. It implements the token library contract of
 * frame/token_library.h; this header adds what the software token itself defines: its error
 * codes, what it stores in the words the library ignores, and its name buffer.
 */
#ifndef UTSECDLL_H
#define UTSECDLL_H

#include "frame/token_library.h"

/* Results other than UT_OK and UT_ENUM_OK_ALSO. */
#define UT_ERR_TOKEN_ABSENT 0x0E000011     /* no token is plugged in */
#define UT_ERR_NO_CONTAINER 0x0E000012     /* no container of that index / no current one */
#define UT_ERR_NO_CERTIFICATE 0x0E000013   /* the container holds no certificate */
#define UT_ERR_BAD_ARGUMENT 0x0E000014     /* a null pointer or an index below 1 */
#define UT_ERR_CERT_TOO_LARGE 0x0E000015   /* the certificate exceeds UT_CERT_MAX_SIZE */
#define UT_ERR_RANDOM_FAILED 0x0E000016    /* the generator failed */
#define UT_ERR_TOKEN_DAMAGED 0x0E000017    /* the token cannot be read */
#define UT_ERR_INTERNAL 0x0E000018         /* out of memory or another internal failure */

/* The software token's behaviour beyond the contract:
 *  - no function keeps a pointer it was given, a null pointer is refused with
 *    UT_ERR_BAD_ARGUMENT, and the token is read afresh at each call, so pulling it out (or
 *    provisioning it) between two calls is seen by the next one;
 *  - the current container is one per process; a caller that enumerates and then reads the
 *    current container from several threads serialises that sequence itself;
 *  - UTEnumCtn takes any index from 1 (store order), stores the number of containers in its
 *    third argument and the container's key spec (1, 2; 0: none) in its fourth, and
 *    leaves no container current after any failure;
 *  - UTGetCurCtnName hands out a zero-terminated copy of the name in a buffer of
 *    UT_NAME_BUFFER_SIZE bytes per thread, valid until the thread calls again; longer names are
 *    cut; an empty name when no container is current;
 *  - UTGetCurCert stores the container's key spec in the record's first word, refuses
 *    a certificate larger than UT_CERT_MAX_SIZE with UT_ERR_CERT_TOO_LARGE and leaves the record
 *    untouched on failure;
 *  - UTGenRandomNumber takes its bytes from the system's generator, not a CryptoAPI provider
 *    (a null buffer is accepted when the count is 0). */
#define UT_NAME_BUFFER_SIZE 260

#endif /* UTSECDLL_H */
