// The CryptoAPI public-key blob (PUBLICKEYBLOB, RSA) of an RSA public key, as the raw
// verifications import it: from the record of d2c_RSA_PUBLIC_KEY (C_VEMO_VerifySign, keys of up
// to 4096 bits), or from the numbers read straight out of the DER (C_VEMO_VerifyData, keys of
// up to 16384 bits). Portable: the blob's layout is written out here byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codec/byte_reader.h"
#include "codec/rsa_public_key.h"

namespace vemo::verify {

// BLOBHEADER (type, version, reserved, algorithm) and RSAPUBKEY (magic, bit length, exponent).
inline constexpr size_t kPublicKeyBlobHeaderSize = 20;
inline constexpr size_t kPublicKeyBlobMax = kPublicKeyBlobHeaderSize + codec::kRsaPublicKeyFieldSize;

// WritePubKeyBlob: type 6 (PUBLICKEYBLOB), version 2, CALG_RSA_KEYX, magic "RSA1", the key's
// real bit length (eight times its modulus bytes) and public exponent, then the modulus least
// significant byte first, into `blob` (room for the header and the modulus). Both numbers are
// given most significant byte first; leading zeros are not counted. Returns the blob's length,
// or 0 when the key cannot be declared in a blob: no modulus, or an exponent of more than 32
// bits.
size_t WritePubKeyBlob(const uint8_t* modulus, size_t modulusLength, const uint8_t* exponent, size_t exponentLength,
                       uint8_t* blob);

// MakePubKeyBlob: the blob of a decoded key record.
size_t MakePubKeyBlob(const codec::RSA_PUBLIC_KEY& key, uint8_t (&blob)[kPublicKeyBlobMax]);

// The numbers of an RSAPublicKey, as views into its DER, most significant byte first, without
// leading zeros.
struct RsaPublicKeyNumbers {
    codec::ByteReader modulus;
    codec::ByteReader exponent;
};

// The key sizes C_VEMO_VerifyData takes: moduli of 1024 to 16384 bits (128 to 2048 bytes), public
// exponents of up to 32 bits.
inline constexpr size_t kModulusBytesMin = 128;
inline constexpr size_t kModulusBytesMax = 2048;
inline constexpr size_t kExponentBytesMax = 4;

// Reads the RSAPublicKey that fills `der` exactly: a SEQUENCE of exactly two INTEGERs, both
// positive, the modulus 128 to 2048 bytes and the exponent 1 to 4 bytes long (leading zeros not
// counted). False for anything else.
bool ReadRsaPublicKey(const uint8_t* der, size_t size, RsaPublicKeyNumbers& key);

// The largest blob of such a key: 16384 bits.
inline constexpr size_t kLargestPublicKeyBlob = kPublicKeyBlobHeaderSize + kModulusBytesMax;

// The blob of such a key (as ReadRsaPublicKey gives it): its length, or 0 when it cannot be
// declared.
size_t MakePubKeyBlob(const RsaPublicKeyNumbers& key, uint8_t (&blob)[kLargestPublicKeyBlob]);

}  // namespace vemo::verify
