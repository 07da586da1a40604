#include "validate/trusted_list.h"

#include <ctime>

#include "cert/store_search.h"

namespace vemo::validate {

std::vector<win::CertificateContext> StoreCertificates(HCERTSTORE store) {
    std::vector<win::CertificateContext> certificates;
    cert::ForEach(store, [&](PCCERT_CONTEXT certificate) {
        certificates.emplace_back(CertDuplicateCertificateContext(certificate));
    });
    return certificates;
}

Judgement JudgeListNow(const uint8_t* list, size_t size, PCCERT_CONTEXT certificate,
                       const std::vector<win::CertificateContext>& signers) {
    std::vector<codec::ByteReader> candidates;
    candidates.reserve(signers.size());
    for (const win::CertificateContext& signer : signers) {
        candidates.emplace_back(signer.get()->pbCertEncoded, signer.get()->cbCertEncoded);
    }
    // The whole signed list: the platform verifies the signature over its tbsCertList.
    CRYPT_DATA_BLOB signedList{static_cast<DWORD>(size), const_cast<BYTE*>(list)};
    const ListSignatureCheck signedBy = [&](size_t index) {
        return CryptVerifyCertificateSignatureEx(0, cert::kCertEncoding, CRYPT_VERIFY_CERT_SIGN_SUBJECT_BLOB,
                                                 &signedList, CRYPT_VERIFY_CERT_SIGN_ISSUER_CERT,
                                                 const_cast<CERT_CONTEXT*>(signers[index].get()), 0, nullptr) != FALSE;
    };
    return JudgeList(codec::ByteReader(list, size),
                     codec::ByteReader(certificate->pbCertEncoded, certificate->cbCertEncoded), candidates, signedBy,
                     static_cast<UtcSeconds>(std::time(nullptr)));
}

}  // namespace vemo::validate
