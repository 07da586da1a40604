// Where the raw verification finds the signer's RSA public key in the key data it is given: a
// bare RSAPublicKey, or the subject public key of a certificate, found by a positional walk.
// Portable: every step reads through a ByteReader bounded by the bytes given, so no length
// field can take a read past them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codec/byte_reader.h"

namespace vemo::verify {

// GetUsrDERPubKey: walks the certificate's DER by position (version, serial number, signature
// algorithm, issuer, validity and subject skipped; the key algorithm is not examined) to the
// RSAPublicKey in its subject public key, and gives its complete encoding (tag, length field,
// contents) as a view into `certificate`. Returns 0, or -2 when a tag does not match or a step
// would leave the `size` bytes given.
int GetUsrDERPubKey(const uint8_t* certificate, size_t size, codec::ByteReader& publicKey);

enum class KeyDataKind { RsaPublicKey, Certificate };

// Tells key data apart by its structure: an RSAPublicKey is a SEQUENCE (of exactly the given
// size) of two INTEGERs; a certificate is a SEQUENCE whose first element is a SEQUENCE. Bytes
// that are neither go by size, as they always have: up to 140 bytes (the RSAPublicKey of a
// 1024-bit key) a key, anything longer a certificate.
KeyDataKind ClassifyKeyData(const uint8_t* der, size_t size);

inline constexpr size_t kBareKeySizeRule = 140;

// The RSAPublicKey of key data: the data itself when it is classified a key, else the one the
// certificate walk finds. 0, or -2 when the walk fails.
int FindPublicKey(const uint8_t* der, size_t size, codec::ByteReader& publicKey);

}  // namespace vemo::verify
