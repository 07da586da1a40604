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
    for (const std::string& name : listing.names) {
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    if (listing.counted > 0) SendMessageA(list, LB_SETCURSEL, 0, 0);
}

}  // namespace

INT_PTR RunModal(int templateId, DLGPROC procedure, void* state) {
    return DialogBoxParamW(LibraryModule(), MAKEINTRESOURCEW(templateId), nullptr, procedure,
                           reinterpret_cast<LPARAM>(state));
}

void OpenCertificateList(HWND dialog, int listId, const std::vector<DialogStore>& stores) {
    const Tell tell = TellIn(dialog);
    const DialogStores opened(stores, tell);
    FillList(GetDlgItem(dialog, listId), opened.List(tell));
    CentreOnScreen(dialog);
}

std::optional<std::string> SelectedEntry(HWND list) {
    const LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR) return std::nullopt;
    // LB_GETTEXT takes no capacity: the buffer is made as long as the list says the entry is.
    const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, selected, 0);
    if (length == LB_ERR) return std::nullopt;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT copied = SendMessageA(list, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == LB_ERR ? 0 : static_cast<size_t>(copied < length ? copied : length));
    return text;
}

}  // namespace vemo::picker
