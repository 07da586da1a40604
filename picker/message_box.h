// The picker edition's message boxes: modal on the calling thread, the OK button only.
#pragma once

namespace vemo::picker {

// The caption every box of the library shows: the library's name.
inline constexpr char kMessageBoxCaption[] = "CVemoDll_C";

// "该证书没有匹配的私钥!" in GBK: this certificate has no matching private key.
inline constexpr char kNoPrivateKeyMessage[] =
    "\xb8\xc3\xd6\xa4\xca\xe9\xc3\xbb\xd3\xd0\xc6\xa5\xc5\xe4\xb5\xc4\xcb\xbd\xd4\xbf!";

// Shows `text` (ANSI, GBK in the library) and returns when the user has closed the box.
void ShowMessage(const char* text);

}  // namespace vemo::picker
