#include "picker/signing_certificate.h"

#include "CVemoDll_C.h"
#include "cert/store_search.h"
#include "picker/dialog_window.h"
#include "picker/remembered_certificate.h"
#include "picker/sign_certificate_dialog.h"

namespace vemo::picker {
namespace {

// The serial text of a store certificate is rendered into a 128-byte buffer, most significant
// byte first, and compared with the selector without regard to case.
constexpr size_t kSerialTextBuffer = 128;

int32_t FindInPersonalStore(int32_t mode, const char* selector, win::CertificateContext& found) {
    if (selector == nullptr || selector[0] == '\0') return SPC_INPUTARG_ERROR_01;
    const win::CertStore store = cert::OpenSystemStore("MY");
    if (!store) return E_MY_STORE_ERROR;
    if (mode == kBySerialNumber) {
        found = cert::FindFirst(store.get(), [selector](PCCERT_CONTEXT certificate) {
            return cert::SerialMatches(certificate, selector, codec::SerialOrder::MostSignificantFirst,
                                       kSerialTextBuffer);
        });
    } else {
        wchar_t subject[cert::kDisplayNameSize + 1];
        cert::AnsiToWide(selector, subject);
        found = cert::FindBySubject(store.get(), subject);
    }
    return found ? 0 : E_ENCROLL_CERT_NO_FIND;
}

}  // namespace

int32_t ChooseSigningCertificate(int32_t mode, const char* selector, win::CertificateContext& chosen) {
    chosen.reset();
    if (mode == kBySerialNumber || mode == kBySubject) {
        if (const int32_t result = FindInPersonalStore(mode, selector, chosen); result != 0) return result;
        RememberCertificate(chosen.get());
        return 0;
    }
    chosen = RememberedCertificate();
    if (chosen) return 0;
    // One dialog at a time: a call that finds another's dialog open waits for it and then signs
    // with what the user chose there, if anything.
    const DialogTurn turn = WaitForDialogTurn();
    chosen = RememberedCertificate();
    if (chosen) return 0;
    if (!RunSignCertDialog(chosen)) return E_SIGN_ERROR;
    RememberCertificate(chosen.get());
    return 0;
}

}  // namespace vemo::picker
