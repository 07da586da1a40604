// The RSA public key record: an RSAPublicKey (modulus and public exponent) turned from DER into
// fixed fields, from which the verification builds its key blob.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vemo::codec {

// Room for moduli and exponents of up to 4096 bits.
inline constexpr size_t kRsaPublicKeyFieldSize = 512;

// Each number most significant byte first and right-aligned: it ends at the last byte of its
// field, the bytes before it are zero.
struct RSA_PUBLIC_KEY {
    uint32_t bits;  // the modulus class: 512, 1024, 2048 or 4096
    uint8_t modulus[kRsaPublicKeyFieldSize];
    uint8_t exponent[kRsaPublicKeyFieldSize];
};

// Decodes the DER RSAPublicKey of `length` bytes at `der` into `*key`, which is zeroed first.
// bits is 512 for a modulus of up to 64 bytes (sign byte not counted), 1024 up to 128 bytes,
// 2048 up to 256 bytes, 4096 up to 512 bytes. Elements after the exponent are ignored. Returns
// 0, or 1 when the DER is not a SEQUENCE of two INTEGERs, when its length disagrees with
// `length`, or when the modulus or the exponent is longer than 512 bytes; after a failure the
// record may be partly filled.
int d2c_RSA_PUBLIC_KEY(const uint8_t* der, int32_t length, RSA_PUBLIC_KEY* key);

// The last bits / 8 bytes of the modulus field: the modulus at the width of its class.
inline const uint8_t* ModulusOfClass(const RSA_PUBLIC_KEY& key) {
    return key.modulus + kRsaPublicKeyFieldSize - key.bits / 8;
}

}  // namespace vemo::codec
