#include "codec/digest_algorithms.h"

#include <cstring>

namespace vemo::codec {
namespace {

// 1.2.840.113549.2.5, 1.3.14.3.2.26, 2.16.840.1.101.3.4.2.1 to .3
constexpr uint8_t kMd5[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x02, 0x05};
constexpr uint8_t kSha1[] = {0x2B, 0x0E, 0x03, 0x02, 0x1A};
constexpr uint8_t kSha256[] = {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x01};
constexpr uint8_t kSha384[] = {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x02};
constexpr uint8_t kSha512[] = {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x03};
// 1.2.840.113549.1.1.1 rsaEncryption, then 1.2.840.113549.1.1.4, .5, .11, .12, .13: md5, sha1,
// sha256, sha384 and sha512 WithRSAEncryption.
constexpr uint8_t kRsaEncryption[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01};
constexpr uint8_t kMd5Rsa[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x04};
constexpr uint8_t kSha1Rsa[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x05};
constexpr uint8_t kSha256Rsa[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0B};
constexpr uint8_t kSha384Rsa[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0C};
constexpr uint8_t kSha512Rsa[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0D};

template <size_t N>
ByteReader View(const uint8_t (&bytes)[N]) {
    return ByteReader(bytes, N);
}

const DigestAlgorithm kDigestAlgorithms[] = {
    {"MD5", "md5", 0x8003, 16, "1.2.840.113549.2.5", View(kMd5), View(kMd5Rsa), false},
    {"SHA-1", "sha1", 0x8004, 20, "1.3.14.3.2.26", View(kSha1), View(kSha1Rsa), true},
    {"SHA-256", "sha256", 0x800C, 32, "2.16.840.1.101.3.4.2.1", View(kSha256), View(kSha256Rsa), true},
    {"SHA-384", "sha384", 0x800D, 48, "2.16.840.1.101.3.4.2.2", View(kSha384), View(kSha384Rsa), true},
    {"SHA-512", "sha512", 0x800E, 64, "2.16.840.1.101.3.4.2.3", View(kSha512), View(kSha512Rsa), true},
};

const DigestAlgorithm* const kExported[kExportedDigestCount] = {&kDigestAlgorithms[1], &kDigestAlgorithms[2],
                                                                &kDigestAlgorithms[3], &kDigestAlgorithms[4]};

}  // namespace

bool SameBytes(ByteReader a, ByteReader b) {
    return a.remaining() == b.remaining() && (a.empty() || std::memcmp(a.data(), b.data(), a.remaining()) == 0);
}

const DigestAlgorithm* const* ExportedDigestAlgorithms() { return kExported; }

const DigestAlgorithm* ExportedDigestAlgorithm(uint32_t algId) {
    for (const DigestAlgorithm* algorithm : kExported) {
        if (algorithm->algId == algId) return algorithm;
    }
    return nullptr;
}

const DigestAlgorithm* ExportedDigestAlgorithm(std::string_view shortName) {
    for (const DigestAlgorithm* algorithm : kExported) {
        if (shortName == algorithm->shortName) return algorithm;
    }
    return nullptr;
}

const DigestAlgorithm* DigestAlgorithmOfOid(ByteReader oid) {
    for (const DigestAlgorithm& algorithm : kDigestAlgorithms) {
        if (SameBytes(algorithm.oid, oid)) return &algorithm;
    }
    return nullptr;
}

bool IsRsaSignatureOver(const DigestAlgorithm& digest, ByteReader signatureOid) {
    return SameBytes(signatureOid, View(kRsaEncryption)) || SameBytes(signatureOid, digest.rsaSignatureOid);
}

}  // namespace vemo::codec
