// What the picker edition's message boxes say. The Chinese texts are stored in the GBK code page
// (936), as byte escapes with their meaning beside them; message boxes show them as ANSI text.
#pragma once

namespace vemo::picker::message {

// "未选择证书!": No certificate selected! (OK pressed with no list entry selected)
inline constexpr char kNoneSelected[] = "\xCE\xB4\xD1\xA1\xD4\xF1\xD6\xA4\xCA\xE9!";

// "打开 MY 证书库失败! \n": Failed to open the MY certificate store! (signing dialog)
inline constexpr char kMyStoreFailed[] = "\xB4\xF2\xBF\xAA MY \xD6\xA4\xCA\xE9\xBF\xE2\xCA\xA7\xB0\xDC! \n";

// "打开个人证书库失败! \n": Failed to open the personal certificate store! (selection dialog)
inline constexpr char kPersonalStoreFailed[] =
    "\xB4\xF2\xBF\xAA\xB8\xF6\xC8\xCB\xD6\xA4\xCA\xE9\xBF\xE2\xCA\xA7\xB0\xDC! \n";

// "打开其他人证书库失败! \n": Failed to open the other people certificate store! (selection dialog)
inline constexpr char kOtherPeopleStoreFailed[] =
    "\xB4\xF2\xBF\xAA\xC6\xE4\xCB\xFB\xC8\xCB\xD6\xA4\xCA\xE9\xBF\xE2\xCA\xA7\xB0\xDC! \n";

// "该证书过大!": This certificate is too large! (selection dialog: more than its text holds)
inline constexpr char kCertificateTooLarge[] = "\xB8\xC3\xD6\xA4\xCA\xE9\xB9\xFD\xB4\xF3!";

// "该证书没有匹配的私钥!": This certificate has no matching private key! (signing)
inline constexpr char kNoPrivateKey[] = "\xB8\xC3\xD6\xA4\xCA\xE9\xC3\xBB\xD3\xD0\xC6\xA5\xC5\xE4\xB5\xC4\xCB\xBD\xD4\xBF!";

// A certificate whose display name cannot be read, while a dialog lists its store.
inline constexpr char kNameUnreadable[] = "CertGetNameStringA failed.";

}  // namespace vemo::picker::message
