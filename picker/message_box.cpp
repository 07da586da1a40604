#include "picker/message_box.h"

#include "picker/messages.h"

namespace vemo::picker {

void ShowMessage(HWND owner, const char* text) { MessageBoxA(owner, text, message::kCaption, MB_OK); }

void ShowMessage(const char* text) { ShowMessage(GetActiveWindow(), text); }

}  // namespace vemo::picker
