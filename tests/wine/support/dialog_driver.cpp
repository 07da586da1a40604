#include "support/dialog_driver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

namespace vemo::test {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::seconds(10);

std::string g_screenshots;  // a folder of the host, or empty: no screenshots

bool Due(Clock::time_point start, Clock::duration patience = kPatience) { return Clock::now() - start > patience; }
void Pause() { Sleep(50); }

BOOL CALLBACK CollectOurDialogWindow(HWND window, LPARAM list) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && std::wcscmp(name, L"#32770") == 0) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    }
    return TRUE;
}

// The visible dialog windows ("#32770": dialogs and message boxes) of this process.
std::vector<HWND> OurDialogWindows() {
    std::vector<HWND> found;
    EnumWindows(CollectOurDialogWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The first child window of the class `className`; with `withText`, the first with a text.
HWND FirstChild(HWND window, const wchar_t* className, bool withText = false) {
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        GetClassNameW(child, name, 16);
        if (_wcsicmp(name, className) == 0 && (!withText || GetWindowTextLengthW(child) > 0)) return child;
    }
    return nullptr;
}

HWND FirstListBox(HWND dialog) { return FirstChild(dialog, L"ListBox"); }

// The library's dialogs have a list box; a message box has none.
bool IsMessageBox(HWND window) { return FirstListBox(window) == nullptr; }

std::wstring WindowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

std::string EntryText(HWND list, int index) {
    const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR) return "";
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT copied = SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == LB_ERR ? 0 : static_cast<size_t>(copied));
    return text;
}

void MouseClickAt(POINT point) {
    SetCursorPos(point.x, point.y);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
}

// Runs a program of the host (Wine's own way to start one) and waits for it.
bool RunHostProgram(const std::vector<std::string>& arguments) {
    using Spawn = LONG(CDECL*)(char* const argv[], int wait);
    const auto spawn = reinterpret_cast<Spawn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll"), "__wine_unix_spawnvp")));
    if (spawn == nullptr) return false;
    std::vector<std::string> copies = arguments;
    std::vector<char*> argv;
    for (std::string& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);
    return spawn(argv.data(), 1) == 0;
}

}  // namespace

bool DialogDriver::WaitForDialog() {
    const auto start = Clock::now();
    while (!returned_ && !Due(start)) {
        for (HWND window : OurDialogWindows()) {
            if (GetWindow(window, GW_OWNER) == nullptr && FirstListBox(window) != nullptr) {
                dialog_ = window;
                Sleep(200);  // painted, and ready for input
                return true;
            }
        }
        Pause();
    }
    return false;
}

bool DialogDriver::stillOpen() const { return dialog_ != nullptr && IsWindow(dialog_) && IsWindowVisible(dialog_); }

DialogView DialogDriver::Read() const {
    DialogView view{};
    RECT base{0, 0, 4, 8};  // pixels of 4 horizontal and 8 vertical dialog units
    MapDialogRect(dialog_, &base);
    const auto units = [&](RECT pixels) {
        return RECT{MulDiv(pixels.left, 4, base.right), MulDiv(pixels.top, 8, base.bottom),
                    MulDiv(pixels.right - pixels.left, 4, base.right), MulDiv(pixels.bottom - pixels.top, 8, base.bottom)};
    };
    view.caption = WindowText(dialog_);
    view.style = static_cast<DWORD>(GetWindowLongW(dialog_, GWL_STYLE));
    RECT client{};
    GetClientRect(dialog_, &client);
    const RECT clientUnits = units(client);
    view.units = {clientUnits.right, clientUnits.bottom};
    for (HWND child = GetWindow(dialog_, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        ControlView control{};
        control.id = static_cast<int>(static_cast<short>(GetDlgCtrlID(child)));
        wchar_t name[32] = {};
        GetClassNameW(child, name, 32);
        control.className = name;
        control.text = WindowText(child);
        RECT rect{};
        GetWindowRect(child, &rect);
        MapWindowPoints(HWND_DESKTOP, dialog_, reinterpret_cast<POINT*>(&rect), 2);
        control.units = units(rect);
        control.style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
        view.controls.push_back(control);
    }
    const HWND list = FirstListBox(dialog_);
    const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) view.entries.push_back(EntryText(list, i));
    view.selected = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
    return view;
}

void DialogDriver::ClickEntry(int index) {
    const HWND list = FirstListBox(dialog_);
    RECT item{};
    if (SendMessageW(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item)) == LB_ERR) return;
    POINT middle{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    ClientToScreen(list, &middle);
    MouseClickAt(middle);
    const auto start = Clock::now();
    while (SendMessageW(list, LB_GETCURSEL, 0, 0) != index && !Due(start)) Pause();
}

void DialogDriver::ClickControl(int id) {
    RECT rect{};
    GetWindowRect(GetDlgItem(dialog_, id), &rect);
    MouseClickAt(POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
}

// Posted, not sent: the dialog may answer with a message box, which waits for this thread.
void DialogDriver::Press(int id) { PostMessageW(GetDlgItem(dialog_, id), BM_CLICK, 0, 0); }

void DialogDriver::Key(WORD key) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog_, nullptr), &info);
    const HWND focus = info.hwndFocus != nullptr ? info.hwndFocus : dialog_;
    PostMessageW(focus, WM_KEYDOWN, key, 1);
    PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
}

void DialogDriver::Close() { PostMessageW(dialog_, WM_CLOSE, 0, 0); }

std::string DialogDriver::AnswerMessageBox(int patienceMs, const std::function<void()>& beforeAnswering) {
    const auto start = Clock::now();
    while (!returned_ && !Due(start, std::chrono::milliseconds(patienceMs))) {
        for (HWND window : OurDialogWindows()) {
            if (!IsMessageBox(window)) continue;
            char text[512] = {};
            GetWindowTextA(FirstChild(window, L"Static", true), text, sizeof text);
            if (beforeAnswering) beforeAnswering();
            PostMessageW(GetDlgItem(window, IDOK), BM_CLICK, 0, 0);
            const auto closing = Clock::now();
            while (IsWindow(window) && !Due(closing)) Pause();
            return text;
        }
        Pause();
    }
    return "";
}

void DialogDriver::Screenshot(const std::string& name) const {
    if (g_screenshots.empty() || dialog_ == nullptr) return;
    RedrawWindow(dialog_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);
    RECT rect{};
    GetWindowRect(dialog_, &rect);
    constexpr int kMargin = 16;
    const std::string crop = std::to_string(rect.right - rect.left + 2 * kMargin) + "x" +
                             std::to_string(rect.bottom - rect.top + 2 * kMargin) + "+" +
                             std::to_string(rect.left - kMargin) + "+" + std::to_string(rect.top - kMargin);
    RunHostProgram({"/bin/sh", "-c", "mkdir -p \"$1\" && import -window root -crop \"$2\" +repage \"$1/$3.png\"", "sh",
                    g_screenshots, crop, name});
}

void DialogDriver::finish() {
    const auto start = Clock::now();
    while (!returned_ && !Due(start)) Pause();
    while (!returned_) {
        leftOpen_ = true;
        for (HWND window : OurDialogWindows()) {
            if (IsMessageBox(window)) {
                PostMessageW(GetDlgItem(window, IDOK), BM_CLICK, 0, 0);
            } else {
                PostMessageW(window, WM_CLOSE, 0, 0);
            }
        }
        Sleep(500);
    }
}

void ExpectTemplateLayout(const DialogView& view, int listId, const std::wstring& okText, const std::wstring& prompt,
                          int promptWidth) {
    EXPECT_EQ(view.caption, L"Dialog") << "the template of the library, not of the calling program";
    constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    EXPECT_EQ(view.style & kStyle, kStyle);
    const std::wstring cancel = L"\x53d6\x6d88";  // "Cancel"
    const std::vector<ControlView> expected = {
        {IDOK, L"Button", okText, {7, 77, 50, 14}, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
        {IDCANCEL, L"Button", cancel, {130, 77, 50, 14}, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
        {-1, L"Static", prompt, {7, 7, promptWidth, 8}, WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT},
        // The template's border shows as a sunken edge, its scroll bar only when the list is longer
        // than the box: the template itself is checked byte by byte among the module's resources.
        {listId, L"ListBox", L"", {7, 17, 173, 60},
         WS_CHILD | WS_VISIBLE | WS_TABSTOP | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT},
    };
    ASSERT_EQ(view.controls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const ControlView& seen = view.controls[i];
        const ControlView& want = expected[i];
        SCOPED_TRACE(want.id);
        EXPECT_EQ(seen.id, want.id);
        EXPECT_EQ(_wcsicmp(seen.className.c_str(), want.className.c_str()), 0) << seen.className.c_str();
        EXPECT_EQ(seen.text, want.text);
        EXPECT_EQ(std::vector<LONG>({seen.units.left, seen.units.top, seen.units.right, seen.units.bottom}),
                  std::vector<LONG>({want.units.left, want.units.top, want.units.right, want.units.bottom}));
        EXPECT_EQ(seen.style & want.style, want.style);
    }
}

void TakeScreenshotFolder(int& argc, char** argv) {
    const char* prefix = "--screenshots=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix, std::strlen(prefix)) != 0) continue;
        g_screenshots = argv[i] + std::strlen(prefix);
        for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
        --argc;
        return;
    }
}

}  // namespace vemo::test
