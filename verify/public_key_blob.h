// The CryptoAPI public-key blob (PUBLICKEYBLOB, RSA) of an RSA public key record, as the raw
// verification imports it. Portable: the blob's layout is written out here byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codec/rsa_public_key.h"

namespace vemo::verify {

// BLOBHEADER (type, version, reserved, algorithm) and RSAPUBKEY (magic, bit length, exponent).
inline constexpr size_t kPublicKeyBlobHeaderSize = 20;
inline constexpr size_t kPublicKeyBlobMax = kPublicKeyBlobHeaderSize + codec::kRsaPublicKeyFieldSize;

// MakePubKeyBlob: type 6 (PUBLICKEYBLOB), version 2, CALG_RSA_KEYX, magic "RSA1", the key's
// real bit length (eight times its modulus bytes, leading zeros not counted) and public
// exponent, then the modulus least significant byte first. Returns the blob's length, or 0 when
// the key cannot be declared in a blob: no modulus, or an exponent of more than 32 bits.
size_t MakePubKeyBlob(const codec::RSA_PUBLIC_KEY& key, uint8_t (&blob)[kPublicKeyBlobMax]);

}  // namespace vemo::verify
