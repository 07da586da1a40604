// The digest algorithms of signed messages, one row each: the object identifier a message names
// it by, the platform's algorithm identifier (ALG_ID, the values of wincrypt.h), the size of its
// digest, and the identifier of RSA PKCS#1 v1.5 signatures over it. Portable (no windows.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "codec/byte_reader.h"

namespace vemo::codec {

struct DigestAlgorithm {
    const char* name;  // "SHA-256"
    uint32_t algId;    // CALG_SHA_256
    size_t digestSize;
    ByteReader oid;               // contents of its OBJECT IDENTIFIER
    ByteReader rsaSignatureOid;   // contents of "<digest>WithRSAEncryption"
};

// MD5, SHA-1, SHA-256, SHA-384, SHA-512.
const DigestAlgorithm* DigestAlgorithmOfOid(ByteReader oid);

// Whether `signatureOid` (contents of an OBJECT IDENTIFIER) names RSA PKCS#1 v1.5 signatures that
// can be over `digest`: rsaEncryption, which leaves the digest to the signer's digest algorithm,
// or "<digest>WithRSAEncryption" of that very digest.
bool IsRsaSignatureOver(const DigestAlgorithm& digest, ByteReader signatureOid);

// Two byte strings of equal length and contents.
bool SameBytes(ByteReader a, ByteReader b);

}  // namespace vemo::codec
