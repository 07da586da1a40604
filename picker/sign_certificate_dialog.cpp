// The signing dialog's window: its list filled from "MY" when it opens, Sign (OK) looking the
// chosen name up. Sign with no entry selected, or with "MY" out of reach, tells the user and
// keeps the dialog open.
#include "picker/sign_certificate_dialog.h"

#include "picker/dialog_resources.h"
#include "picker/dialog_window.h"
#include "picker/messages.h"

namespace vemo::picker {
namespace {

void Open(HWND dialog) { OpenCertificateList(dialog, VEMO_IDC_SIGNING_LIST, kSigningStores); }

void Confirm(HWND dialog, win::CertificateContext& found) {
    const Tell tell = TellIn(dialog);
    found.reset();
    const std::optional<std::string> name = SelectedEntry(GetDlgItem(dialog, VEMO_IDC_SIGNING_LIST));
    if (!name) return tell(message::kNoneSelected);
    const DialogStores stores(kSigningStores, tell);
    if (!stores.complete()) return;
    found = stores.Find(*name);
    EndDialog(dialog, IDOK);
}

}  // namespace

DialogOutcome RunSignCertDialog(win::CertificateContext& chosen) {
    chosen.reset();
    if (RunModal(VEMO_IDD_SIGNING, DialogProcedure<win::CertificateContext, Open, Confirm>, &chosen) != IDOK) {
        chosen.reset();
        return DialogOutcome::Cancelled;
    }
    return chosen ? DialogOutcome::Chosen : DialogOutcome::ChosenNothing;
}

}  // namespace vemo::picker
