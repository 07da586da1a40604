/*
 * A client linked the way MSVC links: against CVemoDll_C.lib, with no C runtime. It proves that
 * the MSVC-style import library binds the header's declarations to the edition's export names
 * (the decorated ones included). Its exit status is 0 when the digest of "abc" and 16 random
 * bytes come back.
 */
#include "CVemoDll_C.h"

static int Same(const uint8_t* a, const uint8_t* b, int count) {
    for (int i = 0; i < count; ++i)
        if (a[i] != b[i]) return 0;
    return 1;
}

#if defined(_WIN64)
#define CLIENT_ENTRY
#else
#define CLIENT_ENTRY __stdcall
#endif

unsigned long CLIENT_ENTRY ClientStart(void* unused) {
    static const uint8_t expected[CVEMO_SHA1_DIGEST_SIZE] = {
        0xa9, 0x99, 0x3e, 0x36, 0x47, 0x06, 0x81, 0x6a, 0xba, 0x3e,
        0x25, 0x71, 0x78, 0x50, 0xc2, 0x6c, 0x9c, 0xd0, 0xd8, 0x9d};
    static const uint8_t abc[3] = {'a', 'b', 'c'};
    uint8_t digest[CVEMO_SHA1_DIGEST_SIZE];
    uint8_t random[16];
    uint32_t length = 0;
    (void)unused;
    if (C_VEMO_Hash(0, abc, 3, digest, &length) != CVEMO_OK || length != CVEMO_SHA1_DIGEST_SIZE ||
        !Same(digest, expected, CVEMO_SHA1_DIGEST_SIZE))
        return 1;
    if (C_VEMO_GenerateRandom(random, sizeof random) != CVEMO_OK) return 2;
    return 0;
}
