#include "validate/root_issuer.h"

#include "cert/store_search.h"
#include "validate/trusted_list.h"

namespace vemo::validate {
namespace {

constexpr DWORD kVerifyFlags = CERT_STORE_SIGNATURE_FLAG | CERT_STORE_REVOCATION_FLAG;

// Whether a list in `roots` revokes the certificate, as the revocation list check judges a
// list with the store's certificates as its trusted signers: a list that verifies and holds it
// revokes it; a forged one, or one of another issuer, does not. The platform's own revocation
// flags are not read: implementations differ in which lists they consult and whether they
// check a list's signature.
bool RevokedByStoreLists(HCERTSTORE roots, PCCERT_CONTEXT user) {
    std::vector<win::CertificateContext> signers;  // read at the first list
    // Each call releases the list it is given and returns the next one.
    for (win::CrlContext list(CertEnumCRLsInStore(roots, nullptr)); list;
         list.reset(CertEnumCRLsInStore(roots, list.release()))) {
        if (signers.empty()) signers = StoreCertificates(roots);
        const PCCRL_CONTEXT crl = list.get();
        if (JudgeListNow(crl->pbCrlEncoded, crl->cbCrlEncoded, user, signers) == Judgement::Revoked) return true;
    }
    return false;
}

}  // namespace

RootVerdict FindIssuingRoot(HCERTSTORE roots, PCCERT_CONTEXT user, TraceBlock& trace) {
    const win::CertificateContext issuer = cert::FindFirst(roots, [&](PCCERT_CONTEXT root) {
        trace("CertEnumCertificatesInStore succeeds.\n");
        DWORD flags = kVerifyFlags;
        return CertVerifySubjectCertificateContext(user, root, &flags) && (flags & CERT_STORE_SIGNATURE_FLAG) == 0;
    });
    if (!issuer) return RootVerdict::NoIssuer;
    return RevokedByStoreLists(roots, user) ? RootVerdict::Revoked : RootVerdict::Trusted;
}

}  // namespace vemo::validate
