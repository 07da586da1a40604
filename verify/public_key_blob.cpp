#include "verify/public_key_blob.h"

#include <cstring>

#include "codec/byte_order.h"

namespace vemo::verify {
namespace {

constexpr uint8_t kPublicKeyBlob = 6;
constexpr uint8_t kBlobVersion = 2;
constexpr uint32_t kAlgorithmRsaKeyExchange = 0x0000A400;  // CALG_RSA_KEYX
constexpr uint32_t kMagicRsa1 = 0x31415352;                // "RSA1"

void PutLittleEndian32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

// The number in a right-aligned field: where its first non-zero byte is, and how many bytes
// it has from there.
size_t Significant(const uint8_t (&field)[codec::kRsaPublicKeyFieldSize], const uint8_t*& first) {
    size_t leading = 0;
    while (leading < sizeof field && field[leading] == 0) ++leading;
    first = field + leading;
    return sizeof field - leading;
}

}  // namespace

size_t MakePubKeyBlob(const codec::RSA_PUBLIC_KEY& key, uint8_t (&blob)[kPublicKeyBlobMax]) {
    std::memset(blob, 0, sizeof blob);
    const uint8_t* modulus = nullptr;
    const uint8_t* exponent = nullptr;
    const size_t modulusLength = Significant(key.modulus, modulus);
    const size_t exponentLength = Significant(key.exponent, exponent);
    if (modulusLength == 0 || exponentLength > 4) return 0;

    uint32_t exponentValue = 0;
    for (size_t i = 0; i < exponentLength; ++i) exponentValue = (exponentValue << 8) | exponent[i];
    // BLOBHEADER { bType, bVersion, reserved, aiKeyAlg }
    blob[0] = kPublicKeyBlob;
    blob[1] = kBlobVersion;
    PutLittleEndian32(blob + 4, kAlgorithmRsaKeyExchange);
    // RSAPUBKEY { magic, bitlen, pubexp }
    PutLittleEndian32(blob + 8, kMagicRsa1);
    PutLittleEndian32(blob + 12, static_cast<uint32_t>(8 * modulusLength));
    PutLittleEndian32(blob + 16, exponentValue);
    // modulus, least significant byte first
    uint8_t* out = blob + kPublicKeyBlobHeaderSize;
    std::memcpy(out, modulus, modulusLength);
    codec::ReverseBuffer(out, static_cast<int32_t>(modulusLength));
    return kPublicKeyBlobHeaderSize + modulusLength;
}

}  // namespace vemo::verify
