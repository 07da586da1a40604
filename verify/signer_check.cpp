#include "verify/signer_check.h"

#include <algorithm>
#include <string_view>

#include "frame/failure_code.h"

namespace vemo::verify {
namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
constexpr BYTE kTagSet = 0x31;

SignerOutcome Outcome(SignerVerdict verdict, const char* step, uint32_t error = 0) { return {verdict, step, error}; }

SignerOutcome PlatformFailure(const char* step) {
    return Outcome(SignerVerdict::PlatformFailure, step, LastFailureCode());
}

// The signature value in the platform's order (least significant byte first), at the key's size:
// a value written without its leading zero bytes is widened.
bool SignatureForKey(HCRYPTKEY key, codec::ByteReader signature, std::vector<BYTE>& value) {
    DWORD bits = 0, size = sizeof bits;
    if (!CryptGetKeyParam(key, KP_KEYLEN, reinterpret_cast<BYTE*>(&bits), &size, 0)) return false;
    const size_t keyBytes = (bits + 7) / 8;
    if (signature.remaining() > keyBytes) return false;
    value.assign(keyBytes, 0);
    std::reverse_copy(signature.data(), signature.data() + signature.remaining(), value.begin());
    return true;
}

// The hash object the signature is over: the DER of the signed attributes with the tag of a SET,
// or, without them, the content's digest.
SignerOutcome HashSigned(HCRYPTPROV context, const SignerInfoView& signer, const codec::DigestAlgorithm& algorithm,
                         ContentDigests& digests, win::CryptHash& hash) {
    if (!CryptCreateHash(context, algorithm.algId, 0, 0, hash.put())) return PlatformFailure("CryptCreateHash");
    if (signer.hasSignedAttributes) {
        const codec::ByteReader& attributes = signer.signedAttributes;
        if (!CryptHashData(hash.get(), &kTagSet, 1, 0) ||
            !CryptHashData(hash.get(), attributes.data() + 1, static_cast<DWORD>(attributes.remaining() - 1), 0)) {
            return PlatformFailure("CryptHashData");
        }
        return {};
    }
    SignerOutcome failure;
    const std::vector<uint8_t>* digest = digests.of(algorithm, failure);
    if (digest == nullptr) return failure;
    if (!CryptSetHashParam(hash.get(), HP_HASHVAL, digest->data(), 0)) return PlatformFailure("CryptSetHashParam");
    return {};
}

SignerOutcome CheckSignature(HCRYPTPROV context, const SignerInfoView& signer, const codec::DigestAlgorithm& algorithm,
                             codec::ByteReader certificateDer, ContentDigests& digests) {
    const win::CertificateContext certificate(
        CertCreateCertificateContext(kEncoding, certificateDer.data(), static_cast<DWORD>(certificateDer.remaining())));
    if (!certificate) return Outcome(SignerVerdict::NoCertificate, "CertCreateCertificateContext", LastFailureCode());
    const CERT_PUBLIC_KEY_INFO& publicKey = certificate.get()->pCertInfo->SubjectPublicKeyInfo;
    if (publicKey.Algorithm.pszObjId == nullptr || std::string_view(publicKey.Algorithm.pszObjId) != szOID_RSA_RSA) {
        return Outcome(SignerVerdict::UnknownAlgorithm, "CheckKeyAlgorithm");
    }
    win::CryptKey key;
    if (!CryptImportPublicKeyInfo(context, X509_ASN_ENCODING, const_cast<CERT_PUBLIC_KEY_INFO*>(&publicKey),
                                  key.put())) {
        return PlatformFailure("CryptImportPublicKeyInfo");
    }
    win::CryptHash hash;
    const SignerOutcome hashed = HashSigned(context, signer, algorithm, digests, hash);
    if (!hashed.valid()) return hashed;
    std::vector<BYTE> value;
    if (!SignatureForKey(key.get(), signer.signature, value)) {
        return Outcome(SignerVerdict::BadSignature, "CheckSignatureLength");
    }
    if (!CryptVerifySignatureA(hash.get(), value.data(), static_cast<DWORD>(value.size()), key.get(), nullptr, 0)) {
        return Outcome(SignerVerdict::BadSignature, "CryptVerifySignature", LastFailureCode());
    }
    return {};
}

}  // namespace

const std::vector<uint8_t>* ContentDigests::of(const codec::DigestAlgorithm& algorithm, SignerOutcome& failure) {
    auto found = digests_.find(algorithm.algId);
    if (found != digests_.end()) return &found->second;
    static const BYTE kNothing = 0;  // a pointer for an empty content
    win::CryptHash hash;
    std::vector<uint8_t> digest(algorithm.digestSize);
    DWORD size = static_cast<DWORD>(digest.size());
    if (!CryptCreateHash(context_, algorithm.algId, 0, 0, hash.put())) {
        failure = PlatformFailure("CryptCreateHash");
        return nullptr;
    }
    if (!CryptHashData(hash.get(), content_.empty() ? &kNothing : content_.data(),
                       static_cast<DWORD>(content_.remaining()), 0)) {
        failure = PlatformFailure("CryptHashData");
        return nullptr;
    }
    if (!CryptGetHashParam(hash.get(), HP_HASHVAL, digest.data(), &size, 0) || size != digest.size()) {
        failure = PlatformFailure("CryptGetHashParam");
        return nullptr;
    }
    return &digests_.emplace(algorithm.algId, std::move(digest)).first->second;
}

SignerOutcome CheckSignedContent(const SignedMessageView& message, const SignerInfoView& signer,
                                 ContentDigests& digests) {
    if (!signer.hasSignedAttributes) return {};
    if (!signer.hasContentType || !codec::SameBytes(signer.contentType, message.contentType)) {
        return Outcome(SignerVerdict::NotVouched, "CheckContentType");
    }
    const codec::DigestAlgorithm* algorithm = codec::DigestAlgorithmOfOid(signer.digestAlgorithm);
    if (algorithm == nullptr) return Outcome(SignerVerdict::UnknownAlgorithm, "CheckDigestAlgorithm");
    SignerOutcome failure;
    const std::vector<uint8_t>* digest = digests.of(*algorithm, failure);
    if (digest == nullptr) return failure;
    if (!signer.hasMessageDigest ||
        !codec::SameBytes(signer.messageDigest, codec::ByteReader(digest->data(), digest->size()))) {
        return Outcome(SignerVerdict::NotVouched, "CheckMessageDigest");
    }
    return {};
}

SignerOutcome CheckSigner(HCRYPTPROV context, const SignedMessageView& message, const SignerInfoView& signer,
                          ContentDigests& digests) {
    const codec::DigestAlgorithm* algorithm = codec::DigestAlgorithmOfOid(signer.digestAlgorithm);
    if (algorithm == nullptr || !codec::IsRsaSignatureOver(*algorithm, signer.signatureAlgorithm)) {
        return Outcome(SignerVerdict::UnknownAlgorithm, "CheckSignerAlgorithms");
    }
    codec::ByteReader certificate;
    if (!FindSignerCertificate(message, signer, certificate)) {
        return Outcome(SignerVerdict::NoCertificate, "FindSignerCertificate");
    }
    if (const SignerOutcome vouched = CheckSignedContent(message, signer, digests); !vouched.valid()) return vouched;
    return CheckSignature(context, signer, *algorithm, certificate, digests);
}

}  // namespace vemo::verify
