// The library's message boxes (the picker edition's dialogs and signing, the trace edition's
// verified content): modal on the calling thread, the OK button only, the library's name as
// caption.
#pragma once

#include <windows.h>

namespace vemo {

// The caption of every message box.
inline constexpr char kMessageBoxCaption[] = "CVemoDll_C";

// Shows `text` (ANSI; GBK for the Chinese texts) modal to `owner`, and returns when the user
// has closed the box.
void ShowMessage(HWND owner, const char* text);
// The same, modal to the calling thread's active window.
void ShowMessage(const char* text);

}  // namespace vemo
