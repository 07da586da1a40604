// The selection dialog's window: its list filled when it opens, each entry keeping its
// certificate, OK handing out the picked entry's certificate. OK with no entry selected, and OK
// on a certificate too large for the dialog's text, tell the user and keep the dialog open;
// Cancel, Escape and closing the window end it with IDCANCEL.
#include "picker/selection_dialog.h"

#include "picker/messages.h"
#include "picker/dialog_resources.h"
#include "picker/dialog_window.h"

namespace vemo::picker {
namespace {

struct SelectionDialog {
    SelectionText& chosen;
    Listing listing;  // the listed certificates, for the dialog's life
};

void Open(HWND dialog, SelectionDialog& state) {
    OpenCertificateList(dialog, VEMO_IDC_SELECTION_LIST, kSelectionStores, state.listing);
}

void Confirm(HWND dialog, SelectionDialog& state) {
    const PCCERT_CONTEXT picked = SelectedCertificate(GetDlgItem(dialog, VEMO_IDC_SELECTION_LIST), state.listing);
    if (picked == nullptr) {
        state.chosen = SelectionText{};
        return TellIn(dialog)(message::kNoneSelected);
    }
    if (!SetSelectionText(state.chosen, picked->pbCertEncoded, picked->cbCertEncoded)) {
        return TellIn(dialog)(message::kCertificateTooLarge);
    }
    EndDialog(dialog, IDOK);
}

}  // namespace

bool SelectCertificateText(SelectionText& chosen) {
    chosen = SelectionText{};
    SelectionDialog state{chosen, {}};
    return RunModal(VEMO_IDD_SELECTION, DialogProcedure<SelectionDialog, Open, Confirm>, &state) == IDOK &&
           chosen.length != 0;
}

}  // namespace vemo::picker
