// The window side both dialogs share: templates from the library's own resources, modal on
// the calling thread, centred on the screen; message boxes; the list box of certificates.
#pragma once

#include <windows.h>

#include <mutex>
#include <vector>

#include "picker/dialog_stores.h"
#include "frame/message_box.h"

namespace vemo::picker {

// One dialog at a time in the process: a call that would show a dialog while another thread
// shows one waits for it first. Held for a dialog's whole run (RunModal takes it too); a thread
// may take it again while it holds it (a window procedure of the caller, run by the dialog's
// message loop, may call the library).
using DialogTurn = std::unique_lock<std::recursive_mutex>;
DialogTurn WaitForDialogTurn();

// Runs the dialog template `templateId` of the library's own resources (whatever program
// called the library) modally on the calling thread, with no owner window, in its turn;
// `state` reaches the procedure with WM_INITDIALOG. Gives IDOK, IDCANCEL (Cancel, the Escape
// key, the window closed), or -1 when the dialog could not be shown.
INT_PTR RunModal(int templateId, DLGPROC procedure, void* state);

// The procedure of a dialog whose RunModal `state` is a State: `Open` fills it when it starts,
// `Confirm` answers OK (and ends it, or keeps it open); Cancel, the Escape key and closing the
// window end it with IDCANCEL. Nothing else is handled: a double click on an entry only selects.
template <typename State, void (*Open)(HWND, State&), void (*Confirm)(HWND, State&)>
INT_PTR CALLBACK DialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            Open(dialog, *reinterpret_cast<State*>(lParam));
            return TRUE;
        }
        if (message != WM_COMMAND) return FALSE;
        if (LOWORD(wParam) == IDOK) {
            Confirm(dialog, *reinterpret_cast<State*>(GetWindowLongPtrW(dialog, DWLP_USER)));
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    } catch (...) {
        // Nothing may unwind through the window manager's frames: the dialog ends unchosen.
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
}

// The message boxes of one dialog.
inline Tell TellIn(HWND owner) {
    return [owner](const char* text) { ShowMessage(owner, text); };
}

// A dialog opening: the certificates of `stores` kept in `listing` for the dialog's life, and
// the list box `listId` filled with their names, each entry holding the index of its
// certificate (the list box sorts them, the first entry selected when a certificate was counted
// at all; a store out of reach told in a message box); the dialog centred on the screen's work
// area as the dialog framework centres its dialogs.
void OpenCertificateList(HWND dialog, int listId, const std::vector<DialogStore>& stores, Listing& listing);

// The certificate of the list's selected entry, or null when no entry is selected.
PCCERT_CONTEXT SelectedCertificate(HWND list, const Listing& listing);

}  // namespace vemo::picker
