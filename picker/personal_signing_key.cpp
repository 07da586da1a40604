// The signing key in the picker edition: the personal-store certificate chosen by serial
// number, subject, earlier choice or dialog (picker/signing_certificate.h), and the private key
// the platform finds for it. Nothing is written down.
#include "CVemoDll_C.h"
#include "frame/message_box.h"
#include "picker/messages.h"
#include "picker/remembered_certificate.h"
#include "picker/signing_certificate.h"
#include "sign/signing_key.h"

namespace vemo::sign {
namespace {

// No matching private key (the platform's own error stays inside).
constexpr int32_t kNoPrivateKey = -2;

// The key to sign with: the key spec the platform reports, or, when that names neither
// (Wine reports 3 for a key imported from a PFX file), the context's exchange key if it has
// one, else its signature key.
DWORD SigningKeySpec(HCRYPTPROV context, DWORD reported) {
    if (reported == AT_KEYEXCHANGE || reported == AT_SIGNATURE) return reported;
    win::CryptKey key;
    return CryptGetUserKey(context, AT_KEYEXCHANGE, key.put()) ? AT_KEYEXCHANGE : AT_SIGNATURE;
}

}  // namespace

int32_t ChooseSigningKey(int32_t selectionMode, const char* selector, SigningKey& key, const char*& failedStep,
                         const CertificateCheck& check) {
    if (const int32_t result = picker::ChooseSigningCertificate(selectionMode, selector, key.certificate);
        result != 0) {
        failedStep = "ChooseSigningCertificate";
        return result;
    }
    if (check) {
        // A certificate the caller refuses is forgotten, so that the next dialog-mode call asks again.
        if (const int32_t result = check(key.certificate.get()); result != 0) {
            picker::ForgetCertificate(key.certificate.get());
            return result;
        }
    }
    HCRYPTPROV context = 0;
    DWORD keySpec = 0;
    BOOL callerFrees = FALSE;
    if (!CryptAcquireCertificatePrivateKey(key.certificate.get(), CRYPT_ACQUIRE_USE_PROV_INFO_FLAG, nullptr, &context,
                                           &keySpec, &callerFrees)) {
        ShowMessage(picker::message::kNoPrivateKey);
        picker::ForgetCertificate(key.certificate.get());  // the next dialog-mode call asks the user again
        failedStep = "CryptAcquireCertificatePrivateKey";
        return kNoPrivateKey;
    }
    if (callerFrees) key.ownedContext.reset(context);
    key.context = context;
    key.keySpec = SigningKeySpec(context, keySpec);
    CryptGetUserKey(context, key.keySpec, key.userKey.put());  // its size only; signing finds the key itself
    return 0;
}

}  // namespace vemo::sign
