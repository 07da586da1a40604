// The picker edition's message boxes: modal on the calling thread, the OK button only, the
// library's name as caption (the texts: picker/messages.h).
#pragma once

#include <windows.h>

namespace vemo::picker {

// Shows `text` (ANSI; GBK for the Chinese texts) modal to `owner`, and returns when the user
// has closed the box.
void ShowMessage(HWND owner, const char* text);
// The same, modal to the calling thread's active window.
void ShowMessage(const char* text);

}  // namespace vemo::picker
