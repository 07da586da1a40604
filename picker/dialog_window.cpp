#include "picker/dialog_window.h"

namespace vemo::picker {
namespace {

// The library's own module: the one that holds this function.
HMODULE LibraryModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&LibraryModule), &module);
    return module;
}

void CentreOnScreen(HWND dialog) {
    RECT area{}, window{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(dialog, &window);
    const int width = window.right - window.left, height = window.bottom - window.top;
    SetWindowPos(dialog, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FillList(HWND list, const Listing& listing) {
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (size_t index = 0; index < listing.entries.size(); ++index) {
        const LRESULT at =
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(listing.entries[index].name.c_str()));
        if (at >= 0) SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(index));
    }
    if (listing.counted > 0) SendMessageA(list, LB_SETCURSEL, 0, 0);
}

}  // namespace

DialogTurn WaitForDialogTurn() {
    static std::recursive_mutex turn;
    return DialogTurn(turn);
}

INT_PTR RunModal(int templateId, DLGPROC procedure, void* state) {
    const DialogTurn turn = WaitForDialogTurn();
    return DialogBoxParamW(LibraryModule(), MAKEINTRESOURCEW(templateId), nullptr, procedure,
                           reinterpret_cast<LPARAM>(state));
}

void OpenCertificateList(HWND dialog, int listId, const std::vector<DialogStore>& stores, Listing& listing) {
    listing = ListCertificates(stores, TellIn(dialog));
    FillList(GetDlgItem(dialog, listId), listing);
    CentreOnScreen(dialog);
}

PCCERT_CONTEXT SelectedCertificate(HWND list, const Listing& listing) {
    const LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR) return nullptr;
    const LRESULT index = SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(selected), 0);
    if (index < 0 || static_cast<size_t>(index) >= listing.entries.size()) return nullptr;
    return listing.entries[static_cast<size_t>(index)].certificate.get();
}

}  // namespace vemo::picker
