// The signing key in the token and trace editions: a key container of the token, found by the
// token container search (sign/token_container.h), and the certificate stored with its key.
#include "CVemoDll_C.h"
#include "frame/diagnostics.h"
#include "sign/signing_key.h"
#include "sign/token_container.h"

namespace vemo::sign {
namespace {

// The platform call behind each step of the search, for a caller that traces it.
const char* StepCall(TokenStep step) {
    switch (step) {
    case TokenStep::OpenProvider:
    case TokenStep::OpenContainer:
        return "CryptAcquireContext";
    case TokenStep::NoContainer:
        return "CryptGetProvParam";
    case TokenStep::NoUserKey:
        return "CryptGetUserKey";
    case TokenStep::NoCertificate:
        return "CryptGetKeyParam";
    case TokenStep::NoSuchSerial:
        return "Serial Number";
    case TokenStep::Ok:
        break;
    }
    return "";
}

}  // namespace

int32_t ChooseSigningKey(int32_t /*selectionMode*/, const char* selector, SigningKey& key, const char*& failedStep,
                         const CertificateCheck& check) {
    TokenKey found;
    const bool bySerial = selector != nullptr && selector[0] != '\0';
    const TokenStep step =
        bySerial ? OpenTokenKeyBySerial(CRYPT_SILENT, selector, found) : OpenTokenKey(CRYPT_SILENT, found);
    if (const int32_t result = TokenStepResult(step); result != 0) {
        failedStep = StepCall(step);
        return result;
    }
    key.certificate.reset(CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, found.certificate,
                                                       found.certificateLength));
    if (!key.certificate) {
        LogError("[ERROR]CertCreateCertificateContext is error,Error Code: E_CERT_DATA_ERROR,Line %d\n", __LINE__);
        failedStep = "CertCreateCertificateContext";
        return E_CERT_DATA_ERROR;
    }
    if (check) {
        if (const int32_t result = check(key.certificate.get()); result != 0) return result;
    }
    key.ownedContext = std::move(found.context);
    key.context = key.ownedContext.get();
    key.userKey = std::move(found.key);
    key.keySpec = found.keySpec;
    key.container = found.container;
    return 0;
}

}  // namespace vemo::sign
