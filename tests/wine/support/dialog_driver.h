// A person at the picker edition's dialogs, played by a second thread of the test program while
// the test's own thread waits in the export that opened the dialog: it finds the dialog, reads
// what it shows (texts, positions in dialog units, styles, the list and its selection) and
// clicks, types and closes as a person would.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace vemo::test {

struct ControlView {
    int id;
    std::wstring className;  // "Button", "Static", "ListBox"
    std::wstring text;
    RECT units;              // left, top, width, height in dialog units (right = width, bottom = height)
    DWORD style;
};

struct DialogView {
    std::wstring caption;
    DWORD style;
    SIZE units;                        // the client area in dialog units
    std::vector<ControlView> controls;  // in creation order
    std::vector<std::string> entries;   // the list box, top to bottom (ANSI text)
    int selected;                       // LB_ERR (-1) when no entry is selected
};

class DialogDriver {
public:
    // Waits for the export's dialog to be on the screen; false when the export returned, or
    // several seconds passed, without one.
    bool WaitForDialog();
    HWND dialog() const { return dialog_; }
    bool stillOpen() const;

    DialogView Read() const;
    // A click with the mouse on the list entry `index` (real input, as a person's).
    void ClickEntry(int index);
    // A click with the mouse in the middle of the control `id`.
    void ClickControl(int id);
    // The button `id` pressed (BM_CLICK).
    void Press(int id);
    // A key pressed and released on the control that has the focus (VK_RETURN, VK_ESCAPE).
    void Key(WORD key);
    // The window closed from its title bar's close box (WM_CLOSE).
    void Close();

    // Waits for the message box the dialog (or the export) shows, reads its text (ANSI bytes),
    // runs `beforeAnswering` while the box is up, and presses its OK button; empty when none
    // came within `patienceMs` or the export returned.
    std::string AnswerMessageBox(int patienceMs = 10000, const std::function<void()>& beforeAnswering = {});

    // Saves a picture of the dialog as it is on the display to <screenshot dir>/<name>.png, when
    // the test run was given a folder for them (--screenshots=<unix folder>).
    void Screenshot(const std::string& name) const;

    // For WithPerson: the export has returned.
    void exportReturned() { returned_ = true; }
    // For WithPerson: the person is done; whatever is still open after a grace period is closed
    // and counted as left open.
    void finish();
    bool leftOpen() const { return leftOpen_; }

private:
    HWND dialog_ = nullptr;
    std::atomic<bool> returned_{false};
    bool leftOpen_ = false;
};

// Runs `call` on this thread while `person` uses the dialogs on another thread; returns what
// `call` returned once both are done. `leftOpen` tells whether a dialog had to be closed for the
// call to return.
template <typename Call>
auto WithPerson(const std::function<void(DialogDriver&)>& person, Call&& call, bool* leftOpen = nullptr) {
    DialogDriver driver;
    std::thread thread([&] {
        person(driver);
        driver.finish();
    });
    auto result = call();
    driver.exportReturned();
    thread.join();
    if (leftOpen != nullptr) *leftOpen = driver.leftOpen();
    return result;
}

// Checks what the dialog shows against the templates' common layout: caption "Dialog", the OK
// button `okText` at 7,77 and Cancel at 130,77 (50 x 14), the prompt `prompt` at 7,7 (`promptWidth`
// x 8), the list box `listId` at 7,17 (173 x 60), the styles of each.
void ExpectTemplateLayout(const DialogView& view, int listId, const std::wstring& okText, const std::wstring& prompt,
                          int promptWidth);

// The folder for screenshots, from --screenshots=<unix folder> (removed from argv).
void TakeScreenshotFolder(int& argc, char** argv);

}  // namespace vemo::test
