#include "validate/root_issuer.h"

#include "cert/store_search.h"

namespace vemo::validate {
namespace {

constexpr DWORD kVerifyFlags = CERT_STORE_SIGNATURE_FLAG | CERT_STORE_REVOCATION_FLAG;

// The platform found a list of the issuer and the certificate in it: the revocation flag stays
// set without the "no list" flag.
bool PlatformFoundRevoked(DWORD flags) {
    return (flags & CERT_STORE_REVOCATION_FLAG) != 0 && (flags & CERT_STORE_NO_CRL_FLAG) == 0;
}

// Whether a list in `roots` that `issuer` signed holds the certificate. The platform's own
// check may not look there (some implementations search the user certificate's store instead),
// so the lists are read here as well. A list whose lookup fails counts as revoking.
bool RevokedByStoreLists(HCERTSTORE roots, PCCERT_CONTEXT issuer, PCCERT_CONTEXT user) {
    win::CrlContext list;
    for (;;) {
        DWORD flags = CERT_STORE_SIGNATURE_FLAG;
        // Each call releases the list it is given and returns the next one issued by `issuer`.
        list.reset(CertGetCRLFromStore(roots, issuer, list.release(), &flags));
        if (!list) return false;
        if (flags & CERT_STORE_SIGNATURE_FLAG) continue;  // not signed by this root's key
        PCRL_ENTRY entry = nullptr;
        if (!CertFindCertificateInCRL(user, list.get(), 0, nullptr, &entry) || entry != nullptr) return true;
    }
}

}  // namespace

RootVerdict FindIssuingRoot(HCERTSTORE roots, PCCERT_CONTEXT user, TraceBlock& trace) {
    DWORD issuerFlags = 0;
    const win::CertificateContext issuer = cert::FindFirst(roots, [&](PCCERT_CONTEXT root) {
        trace("CertEnumCertificatesInStore succeeds.\n");
        DWORD flags = kVerifyFlags;
        if (!CertVerifySubjectCertificateContext(user, root, &flags)) return false;
        if (flags & CERT_STORE_SIGNATURE_FLAG) return false;
        issuerFlags = flags;
        return true;
    });
    if (!issuer) return RootVerdict::NoIssuer;
    // Whatever the flags say besides the signature, a revoked certificate is never accepted: the
    // platform may clear every flag after a list that does not revoke, or leave the revocation
    // flag set after one that does.
    if (PlatformFoundRevoked(issuerFlags) || RevokedByStoreLists(roots, issuer.get(), user)) {
        return RootVerdict::Revoked;
    }
    return RootVerdict::Trusted;
}

}  // namespace vemo::validate
