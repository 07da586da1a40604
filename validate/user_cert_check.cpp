#include "validate/user_cert_check.h"

#include "CVemoDll_C.h"
#include "cert/store_search.h"
#include "validate/root_issuer.h"
#include "validate/user_certificate_in.h"

namespace vemo::validate {
namespace {

// Only the token edition tells a certificate that is not yet valid from an expired one.
constexpr bool kReportsNotYetValid = edition::kKind == edition::Kind::Token;

}  // namespace

int32_t VerifyUserCert(char* certText) {
    TraceBlock trace;
    win::CertificateContext user;
    if (const int32_t code = UserCertificateIn(certText, &trace, user); code != 0) return code;

    // -1: the period has not begun; 1: it has ended.
    const LONG validity = CertVerifyTimeValidity(nullptr, user.get()->pCertInfo);
    if (validity != 0) {
        LogError("[ERROR]CertVerifyTimeValidity is error,Error Code: 0x%08x,Line %d\n", unsigned(validity), __LINE__);
        trace("***** CertVerifyTimeValidity fails. Error Code: 0x%08x, Line %d\n", unsigned(validity), __LINE__);
        return validity < 0 && kReportsNotYetValid ? E_CERT_NOT_YET_VALID : E_CERT_EXPIRED;
    }
    trace("CertVerifyTimeValidity succeeds.\n");

    win::CertStore roots = cert::OpenSystemStore("ROOT");
    if (!roots) {
        LogError("[ERROR]CertOpenSystemStore is error,Line %d\n", __LINE__);
        trace("***** CertOpenSystemStore fails. \n");
        return E_ROOT_STORE_ERROR;
    }
    trace("CertOpenSystemStore succeeds.\n");

    switch (FindIssuingRoot(roots.get(), user.get(), trace)) {
        case RootVerdict::Trusted:
            user.reset();
            roots.reset();
            trace("VerifyUserCert succeeds.\n");
            return 0;
        case RootVerdict::Revoked:
            LogError("[ERROR]CertVerifySubjectCertificateContext is error,Error Code: 0x%08x,Line %d\n",
                     unsigned(CERT_STORE_REVOCATION_FLAG), __LINE__);
            trace("***** CertVerifySubjectCertificateContext fails. Error Code: 0x%08x, Line %d\n",
                  unsigned(CERT_STORE_REVOCATION_FLAG), __LINE__);
            break;
        case RootVerdict::NoIssuer:
            LogError("[ERROR]CertEnumCertificatesInStore is error,Line %d\n", __LINE__);
            trace("***** CertEnumCertificatesInStore fails. \n");
            break;
    }
    user.reset();
    roots.reset();
    LogError("[ERROR]VerifyUserCert is error,E_ISSUECERT_INVALID,Line %d\n", __LINE__);
    trace("VerifyUserCert fail.\n");
    return E_ISSUECERT_INVALID;
}

}  // namespace vemo::validate
