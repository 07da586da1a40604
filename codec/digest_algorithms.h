// The digest algorithms, one row each: the names people and openssl give it, the platform's
// algorithm identifier (ALG_ID, the values of wincrypt.h), the size of its digest, the object
// identifier a message names it by (as text for the platform's message functions, and as the
// contents a reader compares), and the identifier of RSA PKCS#1 v1.5 signatures over it. The
// library, vemo and the tests share the one table. Portable (no windows.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "codec/byte_reader.h"

namespace vemo::codec {

struct DigestAlgorithm {
    const char* name;       // "SHA-256"
    const char* shortName;  // "sha256", as vemo and openssl name it
    uint32_t algId;         // CALG_SHA_256
    size_t digestSize;
    const char* oidText;          // "2.16.840.1.101.3.4.2.1"
    ByteReader oid;               // contents of its OBJECT IDENTIFIER
    ByteReader rsaSignatureOid;   // contents of "<digest>WithRSAEncryption"
    bool exported;                // taken by the exports from ordinal 20 on (SHA-1 to SHA-512)
};

// The algorithms the exports from ordinal 20 on take, SHA-1 to SHA-512, in that order.
inline constexpr size_t kExportedDigestCount = 4;
const DigestAlgorithm* const* ExportedDigestAlgorithms();

// The exported algorithm of the platform's identifier `algId` (CVEMO_SHA1 ... CVEMO_SHA512), or
// of the short name `shortName`; null for any other (MD5 included).
const DigestAlgorithm* ExportedDigestAlgorithm(uint32_t algId);
const DigestAlgorithm* ExportedDigestAlgorithm(std::string_view shortName);

// MD5, SHA-1, SHA-256, SHA-384, SHA-512, by the contents of their OBJECT IDENTIFIER.
const DigestAlgorithm* DigestAlgorithmOfOid(ByteReader oid);

// Whether `signatureOid` (contents of an OBJECT IDENTIFIER) names RSA PKCS#1 v1.5 signatures that
// can be over `digest`: rsaEncryption, which leaves the digest to the signer's digest algorithm,
// or "<digest>WithRSAEncryption" of that very digest.
bool IsRsaSignatureOver(const DigestAlgorithm& digest, ByteReader signatureOid);

// Two byte strings of equal length and contents.
bool SameBytes(ByteReader a, ByteReader b);

}  // namespace vemo::codec
