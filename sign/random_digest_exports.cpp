// Exports: random bytes, the SHA-1 digest and the digests of C_VEMO_HashEx.
#include "CVemoDll_C.h"
#include "frame/export_guard.h"
#include "sign/digest.h"
#include "sign/random_bytes.h"
#include "sign/sha1_digest.h"

extern "C" int32_t CVEMO_CALL C_VEMO_GenerateRandom(uint8_t* buffer, uint32_t length) {
    return vemo::guard([&] { return vemo::sign::GenerateRandom(buffer, length); });
}

extern "C" int32_t CVEMO_CALL C_VEMO_Hash(int32_t /*ignored*/, const uint8_t* data, uint32_t data_length,
                                          uint8_t* digest, uint32_t* digest_length) {
    return vemo::guard([&] { return vemo::sign::Sha1Digest(data, data_length, digest, digest_length); });
}

extern "C" int32_t CVEMO_CALL C_VEMO_HashEx(uint32_t algorithm, const uint8_t* data, uint32_t data_length,
                                            uint8_t* digest, uint32_t* digest_length) {
    return vemo::guard([&] { return vemo::sign::Digest(algorithm, data, data_length, digest, digest_length); });
}
