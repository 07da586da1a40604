// The selection dialog's window: its list filled when it opens, OK looking the chosen name up.
// OK with no entry selected, and OK on a certificate too large for the dialog's text, tell the
// user and keep the dialog open; Cancel, Escape and closing the window end it with IDCANCEL.
#include "picker/selection_dialog.h"

#include "picker/messages.h"
#include "picker/dialog_resources.h"
#include "picker/dialog_window.h"

namespace vemo::picker {
namespace {

void Open(HWND dialog) { OpenCertificateList(dialog, VEMO_IDC_SELECTION_LIST, kSelectionStores); }

void Confirm(HWND dialog, SelectionText& chosen) {
    const Tell tell = TellIn(dialog);
    const std::optional<std::string> name = SelectedEntry(GetDlgItem(dialog, VEMO_IDC_SELECTION_LIST));
    if (!name) {
        chosen = SelectionText{};
        return tell(message::kNoneSelected);
    }
    const DialogStores stores(kSelectionStores, tell);
    const win::CertificateContext found = stores.Find(*name);
    if (found && !SetSelectionText(chosen, found.get()->pbCertEncoded, found.get()->cbCertEncoded)) {
        return tell(message::kCertificateTooLarge);
    }
    EndDialog(dialog, IDOK);
}

}  // namespace

bool SelectCertificateText(SelectionText& chosen) {
    chosen = SelectionText{};
    return RunModal(VEMO_IDD_SELECTION, DialogProcedure<SelectionText, Open, Confirm>, &chosen) == IDOK;
}

}  // namespace vemo::picker
