// The signing dialog's window: its list filled from "MY" when it opens, each entry keeping its
// certificate, Sign (OK) choosing the picked entry's certificate. Sign with no entry selected
// tells the user and keeps the dialog open.
#include "picker/sign_certificate_dialog.h"

#include "picker/dialog_resources.h"
#include "picker/dialog_window.h"
#include "picker/messages.h"

namespace vemo::picker {
namespace {

struct SigningDialog {
    win::CertificateContext& chosen;
    Listing listing;  // the listed certificates, for the dialog's life
};

void Open(HWND dialog, SigningDialog& state) {
    OpenCertificateList(dialog, VEMO_IDC_SIGNING_LIST, kSigningStores, state.listing);
}

void Confirm(HWND dialog, SigningDialog& state) {
    const PCCERT_CONTEXT picked = SelectedCertificate(GetDlgItem(dialog, VEMO_IDC_SIGNING_LIST), state.listing);
    if (picked == nullptr) return TellIn(dialog)(message::kNoneSelected);
    state.chosen.reset(CertDuplicateCertificateContext(picked));
    EndDialog(dialog, IDOK);
}

}  // namespace

bool RunSignCertDialog(win::CertificateContext& chosen) {
    chosen.reset();
    SigningDialog state{chosen, {}};
    if (RunModal(VEMO_IDD_SIGNING, DialogProcedure<SigningDialog, Open, Confirm>, &state) != IDOK || !chosen) {
        chosen.reset();
        return false;
    }
    return true;
}

}  // namespace vemo::picker
