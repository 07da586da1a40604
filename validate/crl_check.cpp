#include "validate/crl_check.h"

#include <string>

#include "CVemoDll_C.h"
#include "cert/store_search.h"
#include "validate/crl_input.h"
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

// The lookup in a list that became a CRL context: answers 0 or 1, or -1011 when the lookup
// cannot run (no list, a list of another issuer, the platform refuses the lookup).
int32_t LookUp(PCCERT_CONTEXT user, PCCRL_CONTEXT list) {
    // A list speaks only for the certificates of its own issuer; matched by serial number alone,
    // another issuer's list could answer "not revoked" for a certificate it knows nothing of.
    if (list != nullptr && !CertCompareCertificateName(cert::kCertEncoding, &user->pCertInfo->Issuer,
                                                       &list->pCrlInfo->Issuer)) {
        LogError("[ERROR]CertCompareCertificateName is error,Line %d\n", __LINE__);
        return SPC_INPUTARG_ERROR_01;
    }
    PCRL_ENTRY entry = nullptr;
    const BOOL found = list != nullptr && CertFindCertificateInCRL(user, list, 0, nullptr, &entry);
    if (!found) {
        LogError("[ERROR]CertFindCertificateInCRL is error,Error Code: 0x%08x,Line %d\n", unsigned(found), __LINE__);
        return SPC_INPUTARG_ERROR_01;
    }
    if (entry != nullptr) {
        LogError("[ERROR]CertFindCertificateInCRL is error,Error Code: 0x%08x,Line %d\n", unsigned(CVEMO_CRL_REVOKED),
                 __LINE__);
        return CVEMO_CRL_REVOKED;
    }
    return CVEMO_CRL_NOT_REVOKED;
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

    std::string contents;
    switch (ReadCrlFile(crlFile, contents)) {
        case FileRead::Ok: break;
        case FileRead::NotOpened:
            LogError("[ERROR]fopen CRLfile is error,Line %d\n", __LINE__);
            return E_FILE_OPEN_ERROR;
        case FileRead::Empty:
        case FileRead::NotRead:
            LogError("[ERROR]fread CRLfile is error,Line %d\n", __LINE__);
            return E_FILE_READ_ERROR;
    }

    codec::DerBlock scratch;
    CrlDer der;
    switch (CrlFileToDer(contents, scratch, der)) {
        case codec::TextStep::Ok: break;
        case codec::TextStep::NotRecognised:
            LogError("[ERROR]MoveRedunStrFormPemCert is error,Error Code: 0x%08x,Line %d\n", unsigned(E_FAILED),
                     __LINE__);
            return E_FAILED;
        case codec::TextStep::TooLong:
        case codec::TextStep::NotDecodable:
            LogError("[ERROR]R_DecodePEMBlock is error,Line %d\n", __LINE__);
            return E_PEM_DECODE_ERROR;
    }

    // The reader keeps every list within the platform's 32-bit lengths.
    const win::CrlContext list(CertCreateCRLContext(cert::kCertEncoding, der.bytes, static_cast<DWORD>(der.length)));
    return LookUp(user.get(), list.get());
}

}  // namespace vemo::validate
