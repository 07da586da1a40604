#include "picker/message_box.h"

#include <windows.h>

namespace vemo::picker {

void ShowMessage(const char* text) {
    MessageBoxA(GetActiveWindow(), text, kMessageBoxCaption, MB_OK);
}

}  // namespace vemo::picker
