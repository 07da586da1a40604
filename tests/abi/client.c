/*
 * A client program of CVemoDll_C.dll, written against the public header and linked with an
 * edition's import library as any client is. The release packages carry it as
 * examples/client.c (the README says how to build and run it); the ABI tests build it against
 * each edition, which shows that the header's declarations bind to the edition's export names
 * (the decorated ones included) and calling convention.
 * Exit status 0 and "client: ok" when the digest of "abc" and 16 random bytes come back and
 * both certificate checks refuse a missing certificate.
 */
#include <stdio.h>
#include <string.h>

#include "CVemoDll_C.h"

/* The records' layout, fixed by the interface: checked by the compiler of each architecture. */
typedef char signature_record_is_364_bytes[sizeof(CVEMO_SIGNATURE_RECORD) == 364 ? 1 : -1];
typedef char pack_item_is_two_words[sizeof(PackItem) == 2 * sizeof(void*) ? 1 : -1];

int main(void) {
    static const uint8_t expected[CVEMO_SHA1_DIGEST_SIZE] = {
        0xa9, 0x99, 0x3e, 0x36, 0x47, 0x06, 0x81, 0x6a, 0xba, 0x3e,
        0x25, 0x71, 0x78, 0x50, 0xc2, 0x6c, 0x9c, 0xd0, 0xd8, 0x9d};
    uint8_t digest[CVEMO_SHA1_DIGEST_SIZE];
    uint32_t length = 0;
    uint8_t random[16];

    int32_t result = C_VEMO_Hash(0, (const uint8_t*)"abc", 3, digest, &length);
    if (result != CVEMO_OK || length != sizeof digest || memcmp(digest, expected, sizeof digest) != 0) {
        printf("C_VEMO_Hash: result %ld, length %lu\n", (long)result, (unsigned long)length);
        return 1;
    }
    result = C_VEMO_GenerateRandom(random, sizeof random);
    if (result != CVEMO_OK) {
        printf("C_VEMO_GenerateRandom: result %ld\n", (long)result);
        return 1;
    }
    /* Both checks refuse a missing certificate before they read anything else. */
    result = C_VEMO_VerifyUserCert(NULL, 0);
    if (result != SPC_INPUTARG_ERROR_01 || C_VEMO_VerifyUserCRL(NULL, NULL, "3") != SPC_INPUTARG_ERROR_01) {
        printf("C_VEMO_VerifyUserCert or C_VEMO_VerifyUserCRL: result %ld\n", (long)result);
        return 1;
    }
    puts("client: ok");
    return 0;
}
