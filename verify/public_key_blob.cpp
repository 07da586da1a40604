#include "verify/public_key_blob.h"

#include <cstring>

#include "codec/byte_order.h"
#include "codec/der_length.h"
#include "codec/der_tags.h"

namespace vemo::verify {
namespace {

constexpr uint8_t kPublicKeyBlob = 6;
constexpr uint8_t kBlobVersion = 2;
constexpr uint32_t kAlgorithmRsaKeyExchange = 0x0000A400;  // CALG_RSA_KEYX
constexpr uint32_t kMagicRsa1 = 0x31415352;                // "RSA1"

void PutLittleEndian32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

// The number without its leading zeros.
codec::ByteReader Significant(codec::ByteReader number) {
    uint8_t first = 0;
    while (number.peekU8(first) && first == 0) number.skip(1);
    return number;
}

// One INTEGER of a non-negative value: its significant bytes.
bool ReadNonNegativeInteger(codec::ByteReader& reader, codec::ByteReader& value) {
    uint8_t tag = 0, first = 0;
    uint32_t length = 0;
    codec::ByteReader contents;
    if (!reader.readU8(tag) || tag != codec::kTagInteger || !codec::ReadDerLength(reader, length) ||
        !reader.readBytes(length, contents) || !contents.peekU8(first) || (first & 0x80) != 0) {
        return false;
    }
    value = Significant(contents);
    return true;
}

}  // namespace

size_t WritePubKeyBlob(const uint8_t* modulus, size_t modulusLength, const uint8_t* exponent, size_t exponentLength,
                       uint8_t* blob) {
    const codec::ByteReader m = Significant(codec::ByteReader(modulus, modulusLength));
    const codec::ByteReader e = Significant(codec::ByteReader(exponent, exponentLength));
    if (m.empty() || e.remaining() > 4) return 0;

    uint32_t exponentValue = 0;
    for (size_t i = 0; i < e.remaining(); ++i) exponentValue = (exponentValue << 8) | e.data()[i];
    std::memset(blob, 0, kPublicKeyBlobHeaderSize);
    // BLOBHEADER { bType, bVersion, reserved, aiKeyAlg }
    blob[0] = kPublicKeyBlob;
    blob[1] = kBlobVersion;
    PutLittleEndian32(blob + 4, kAlgorithmRsaKeyExchange);
    // RSAPUBKEY { magic, bitlen, pubexp }
    PutLittleEndian32(blob + 8, kMagicRsa1);
    PutLittleEndian32(blob + 12, static_cast<uint32_t>(8 * m.remaining()));
    PutLittleEndian32(blob + 16, exponentValue);
    // modulus, least significant byte first
    uint8_t* out = blob + kPublicKeyBlobHeaderSize;
    std::memcpy(out, m.data(), m.remaining());
    codec::ReverseBuffer(out, static_cast<int32_t>(m.remaining()));
    return kPublicKeyBlobHeaderSize + m.remaining();
}

size_t MakePubKeyBlob(const codec::RSA_PUBLIC_KEY& key, uint8_t (&blob)[kPublicKeyBlobMax]) {
    std::memset(blob, 0, sizeof blob);
    return WritePubKeyBlob(key.modulus, sizeof key.modulus, key.exponent, sizeof key.exponent, blob);
}

bool ReadRsaPublicKey(const uint8_t* der, size_t size, RsaPublicKeyNumbers& key) {
    codec::ByteReader reader(der, size);
    uint8_t tag = 0;
    uint32_t length = 0;
    codec::ByteReader contents;
    // RSAPublicKey ::= SEQUENCE {
    if (!reader.readU8(tag) || tag != codec::kTagSequence || !codec::ReadDerLength(reader, length) ||
        length != reader.remaining() || !reader.readBytes(length, contents)) {
        return false;
    }
    //   modulus INTEGER, publicExponent INTEGER }
    if (!ReadNonNegativeInteger(contents, key.modulus) || !ReadNonNegativeInteger(contents, key.exponent) ||
        !contents.empty()) {
        return false;
    }
    return key.modulus.remaining() >= kModulusBytesMin && key.modulus.remaining() <= kModulusBytesMax &&
           !key.exponent.empty() && key.exponent.remaining() <= kExponentBytesMax;
}

size_t MakePubKeyBlob(const RsaPublicKeyNumbers& key, uint8_t (&blob)[kLargestPublicKeyBlob]) {
    if (key.modulus.remaining() > kModulusBytesMax) return 0;
    return WritePubKeyBlob(key.modulus.data(), key.modulus.remaining(), key.exponent.data(), key.exponent.remaining(),
                           blob);
}

}  // namespace vemo::verify
