#include "frame/message_box.h"

namespace vemo {

void ShowMessage(HWND owner, const char* text) { MessageBoxA(owner, text, kMessageBoxCaption, MB_OK); }

void ShowMessage(const char* text) { ShowMessage(GetActiveWindow(), text); }

}  // namespace vemo
