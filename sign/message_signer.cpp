#include "sign/message_signer.h"

#include <algorithm>
#include <string>
#include <vector>

#include "CVemoDll_C.h"
#include "cert/store_search.h"
#include "codec/digest_algorithms.h"
#include "codec/message_text.h"
#include "codec/signed_data_content.h"
#include "frame/diagnostics.h"
#include "frame/edition.h"
#include "frame/failure_code.h"
#include "frame/sized_output.h"
#include "frame/win_handles.h"
#include "sign/message_parameters.h"
#include "sign/signing_key.h"

namespace vemo::sign {
namespace {

constexpr uint32_t kKnownFlags = CVEMO_MSG_DETACHED | CVEMO_MSG_CHAIN | CVEMO_MSG_PEM;
// Issuers looked up above the signer at most: ends a loop of certificates that issue each other.
constexpr int kPathMax = 8;
// Everything of a SignedData that is neither data, certificate, issuer name, serial number nor
// signature, with room to spare: every element's tag and longest length field, the object
// identifiers and parameters of the digest and signature algorithms, the versions, and the three
// signed attributes (content type, a digest of up to 64 bytes, the signing time).
constexpr uint64_t kMessageOverhead = 512;

bool SelfIssued(PCCERT_CONTEXT certificate) {
    return CertCompareCertificateName(X509_ASN_ENCODING, &certificate->pCertInfo->Subject,
                                      &certificate->pCertInfo->Issuer) != FALSE;
}

// The certificate of `store` that issued `subject` and whose signature over it verifies.
win::CertificateContext IssuerIn(HCERTSTORE store, PCCERT_CONTEXT subject) {
    win::CertificateContext candidate;
    for (;;) {
        DWORD flags = CERT_STORE_SIGNATURE_FLAG;
        // The call releases the candidate it is given.
        candidate.reset(CertGetIssuerCertificateFromStore(store, subject, candidate.release(), &flags));
        if (!candidate || flags == 0) return candidate;
    }
}

// The certificates of the signer's path, from its issuer up to the root and without it, as far
// as the current user's "CA" and "MY" stores hold them.
std::vector<win::CertificateContext> IssuerPath(PCCERT_CONTEXT signer) {
    const win::CertStore stores[] = {cert::OpenSystemStore("CA"), cert::OpenSystemStore("MY")};
    std::vector<win::CertificateContext> path;
    PCCERT_CONTEXT subject = signer;
    for (int depth = 0; depth < kPathMax; ++depth) {
        win::CertificateContext issuer;
        for (const win::CertStore& store : stores) {
            if (store && (issuer = IssuerIn(store.get(), subject))) break;
        }
        if (!issuer || SelfIssued(issuer.get())) break;
        path.push_back(std::move(issuer));
        subject = path.back().get();
    }
    return path;
}

// The longest DER message the parts can make.
uint64_t MessageBound(bool detached, uint32_t dataLength, const std::vector<PCCERT_CONTEXT>& certificates,
                      uint32_t signatureLength) {
    const CERT_INFO& signer = *certificates.front()->pCertInfo;
    uint64_t der = kMessageOverhead + signer.Issuer.cbData + signer.SerialNumber.cbData + signatureLength;
    if (!detached) der += dataLength;
    for (PCCERT_CONTEXT certificate : certificates) der += certificate->cbCertEncoded;
    return der;
}

// The platform's message signer over the data: the digest `digestOid`, the signing time as a
// signed attribute (the signer adds the content type and the message digest beside it), the
// certificates carried, the content inside unless detached. `made` starts at the bound's size,
// so that one signing does.
bool PlatformSign(PCCERT_CONTEXT signer, const char* digestOid, bool detached,
                  std::vector<PCCERT_CONTEXT>& certificates, const uint8_t* data, uint32_t dataLength,
                  std::vector<uint8_t>& made, const char*& failedStep) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    BYTE time[32];
    DWORD timeSize = sizeof time;
    if (!CryptEncodeObject(X509_ASN_ENCODING, szOID_RSA_signingTime, &now, time, &timeSize)) {
        failedStep = "CryptEncodeObject";
        return false;
    }
    CRYPT_ATTR_BLOB timeValue{timeSize, time};
    CRYPT_ATTRIBUTE signingTime{const_cast<char*>(szOID_RSA_signingTime), 1, &timeValue};

    CRYPT_SIGN_MESSAGE_PARA parameters{};
    parameters.cbSize = kSignMessageParametersSize;
    parameters.dwMsgEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
    parameters.pSigningCert = signer;
    parameters.HashAlgorithm.pszObjId = const_cast<char*>(digestOid);
    parameters.cMsgCert = static_cast<DWORD>(certificates.size());
    parameters.rgpMsgCert = certificates.data();
    parameters.cAuthAttr = 1;
    parameters.rgAuthAttr = &signingTime;
    static const BYTE kNoData = 0;  // empty data is a content of length 0, at a valid address
    const BYTE* items[] = {dataLength != 0 ? data : &kNoData};
    DWORD itemLengths[] = {dataLength};

    DWORD size = static_cast<DWORD>(made.size());
    BOOL done = CryptSignMessage(&parameters, detached, 1, items, itemLengths, made.data(), &size);
    if (!done && GetLastError() == ERROR_MORE_DATA) {
        made.resize(size);
        done = CryptSignMessage(&parameters, detached, 1, items, itemLengths, made.data(), &size);
    }
    if (!done || size > made.size()) {
        failedStep = "CryptSignMessage";
        return false;
    }
    made.resize(size);
    return true;
}

}  // namespace

int32_t SignCmsMessage(uint32_t algorithm, uint32_t flags, int32_t selectionMode, const char* selector,
                       const uint8_t* data, uint32_t dataLength, uint8_t* message, uint32_t* messageLength) {
    const bool pem = (flags & CVEMO_MSG_PEM) != 0;
    const SizedOutput out(message, messageLength, pem ? OutputKind::Text : OutputKind::Bytes);
    if (messageLength == nullptr || (data == nullptr && dataLength != 0) || (flags & ~kKnownFlags) != 0) {
        return SPC_INPUTARG_ERROR_01;
    }
    const codec::DigestAlgorithm* digest = codec::ExportedDigestAlgorithm(algorithm);
    if (digest == nullptr) return E_ALGORITHM;
    const char* digestOid = digest->oidText;

    SigningKey key;
    uint32_t signatureLength = 0;
    if (const int32_t result = ChooseSizedSigningKey(selectionMode, selector, key, signatureLength); result != 0) {
        return result;
    }
    // The certificates carried: the signer's first, then its path on request.
    std::vector<win::CertificateContext> path;
    if ((flags & CVEMO_MSG_CHAIN) != 0) path = IssuerPath(key.certificate.get());
    std::vector<PCCERT_CONTEXT> certificates{key.certificate.get()};
    for (const win::CertificateContext& issuer : path) certificates.push_back(issuer.get());

    // A size query is answered from the bound, unsigned; a bound beyond 32 bits cannot be told.
    const bool detached = (flags & CVEMO_MSG_DETACHED) != 0;
    const uint64_t derBound = MessageBound(detached, dataLength, certificates, signatureLength);
    const uint64_t bound = pem ? codec::MessageTextLength(derBound) : derBound;
    if (bound >= UINT32_MAX) return E_FAILED;
    if (out.sizeQuery()) return out.check(static_cast<size_t>(bound));

    // The signer's own copy of the certificate carries the key's context, so that the platform
    // signs with the chosen key (the certificate may be a store's, whose properties stay as they
    // are). A provider without the digest (the base provider and SHA-2) gives way to the
    // AES-capable one, which holds the same key containers.
    {
        win::CryptHash probe;
        if (!CryptCreateHash(key.context, static_cast<ALG_ID>(algorithm), 0, 0, probe.put()) &&
            GetLastError() == static_cast<DWORD>(NTE_BAD_ALGID)) {
            MoveToAesProvider(key);
        }
    }
    const win::CertificateContext signer(CertCreateCertificateContext(
        X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, key.certificate.get()->pbCertEncoded,
        key.certificate.get()->cbCertEncoded));
    if (!signer) {
        ReportFailure("CertCreateCertificateContext", LastFailureCode(), __LINE__);
        return E_SIGN_ERROR;
    }
    const win::LentKeyContext lent(signer.get(), key.context, key.keySpec);
    if (!lent) {
        ReportFailure("CertSetCertificateContextProperty", LastFailureCode(), __LINE__);
        return E_SIGN_ERROR;
    }
    certificates.front() = signer.get();

    std::vector<uint8_t> made(static_cast<size_t>(derBound));
    const char* failedStep = "";
    if (!PlatformSign(signer.get(), digestOid, detached, certificates, data, dataLength, made, failedStep)) {
        ReportFailure(failedStep, LastFailureCode(), __LINE__);
        return E_SIGN_ERROR;
    }
    // Empty data is an empty content, carried as one in an attached message.
    if (!detached && dataLength == 0) {
        std::vector<uint8_t> filled;
        if (codec::PutEmptyContent(codec::ByteReader(made.data(), made.size()), filled)) made.swap(filled);
    }
    std::string text;
    if (pem && !codec::WriteMessageText(made.data(), made.size(), text)) return E_FAILED;
    const size_t length = pem ? text.size() : made.size();
    // A short buffer is told the bound, as a size query is: a call with that capacity succeeds.
    if (!out.fits(length)) return out.check(std::max(static_cast<size_t>(bound), length));
    return pem ? out.put(text.data(), text.size()) : out.put(made.data(), made.size());
}

}  // namespace vemo::sign
