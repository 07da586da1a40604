#include "validate/crl_check.h"

#include <vector>

#include "CVemoDll_C.h"
#include "cert/store_search.h"
#include "validate/crl_input.h"
#include "validate/list_file.h"
#include "validate/trusted_list.h"
#include "validate/user_certificate_in.h"

namespace vemo::validate {
namespace {

// What the mode text asks for.
enum class Mode { NoList, FileList, Refused };

Mode ReadMode(const char* mode) {
    if (mode == nullptr) return Mode::Refused;
    switch (ReadDecimal(mode)) {
        case 1:
        case 2: return Mode::NoList;
        case 3: return Mode::FileList;
        default: return Mode::Refused;
    }
}

// The judgement's answer, written down: every answer but "not revoked" is logged.
int32_t Answer(Judgement judgement) {
    const int32_t code = JudgementCode(judgement);
    switch (judgement) {
        case Judgement::NotRevoked: break;
        case Judgement::NotAList:
            LogError("[ERROR]CertFindCertificateInCRL is error,Error Code: 0x%08x,Line %d\n", 0u, __LINE__);
            break;
        case Judgement::OtherIssuer:
            // A list speaks only for the certificates of its own issuer.
            LogError("[ERROR]CertCompareCertificateName is error,Line %d\n", __LINE__);
            break;
        case Judgement::NoTrustedSigner:
            LogError("[ERROR]CryptVerifyCertificateSignatureEx is error,Error Code: 0x%08x,Line %d\n", unsigned(code),
                     __LINE__);
            break;
        case Judgement::Revoked:
            LogError("[ERROR]CertFindCertificateInCRL is error,Error Code: 0x%08x,Line %d\n", unsigned(code), __LINE__);
            break;
        case Judgement::UnprocessedCriticalExtension:
            LogError("[ERROR]CheckCRLExtensions is error,Error Code: 0x%08x,Line %d\n", unsigned(code), __LINE__);
            break;
        case Judgement::DeltaList:
            LogError("[ERROR]CheckCRLDelta is error,Error Code: 0x%08x,Line %d\n", unsigned(code), __LINE__);
            break;
        case Judgement::OutOfScope:
            LogError("[ERROR]CheckCRLScope is error,Error Code: 0x%08x,Line %d\n", unsigned(code), __LINE__);
            break;
        case Judgement::NotYetIssued:
            LogError("[ERROR]CheckCRLThisUpdate is error,Error Code: 0x%08x,Line %d\n", unsigned(code), __LINE__);
            break;
        case Judgement::OutOfDate:
            LogError("[ERROR]CheckCRLNextUpdate is error,Error Code: 0x%08x,Line %d\n", unsigned(code), __LINE__);
            break;
    }
    return code;
}

}  // namespace

int32_t VerifyUserCRL(char* certText, const char* crlFile, const char* mode) {
    win::CertificateContext user;
    if (const int32_t code = UserCertificateIn(certText, nullptr, user); code != 0) return code;

    switch (ReadMode(mode)) {
        case Mode::NoList: return CVEMO_CRL_NOT_REVOKED;
        case Mode::Refused: return SPC_INPUTARG_ERROR_01;
        case Mode::FileList: break;
    }

    std::vector<uint8_t> list;
    if (const int32_t code = ReadListFile(crlFile, list); code != 0) return code;

    // Bytes the platform does not take as a list are refused before any store is opened. The
    // reader keeps every list within the platform's 32-bit lengths.
    if (!win::CrlContext(CertCreateCRLContext(cert::kCertEncoding, list.data(), static_cast<DWORD>(list.size())))) {
        LogError("[ERROR]CertFindCertificateInCRL is error,Error Code: 0x%08x,Line %d\n", 0u, __LINE__);
        return SPC_INPUTARG_ERROR_01;
    }
    // The keys trusted to sign lists: the certificates of the user's root store.
    const win::CertStore roots = cert::OpenSystemStore("ROOT");
    if (!roots) {
        LogError("[ERROR]CertOpenSystemStore is error,Line %d\n", __LINE__);
        return E_ROOT_STORE_ERROR;
    }
    return Answer(JudgeListNow(list.data(), list.size(), user.get(), StoreCertificates(roots.get())));
}

}  // namespace vemo::validate
