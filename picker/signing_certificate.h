// Which personal-store certificate the picker edition signs with: by serial number (mode 1),
// by a part of the subject name (mode 2), else the certificate chosen earlier in this process,
// else the one the user picks in the signing dialog (a call that finds the dialog open on
// another thread waits for it and takes that choice). A certificate found becomes the chosen one.
#pragma once

#include <cstdint>

#include "frame/win_handles.h"

namespace vemo::picker {

inline constexpr int32_t kBySerialNumber = 1;
inline constexpr int32_t kBySubject = 2;

// 0 with the certificate in `chosen`; else -1011 (mode 1 or 2 without a selector), -1001 ("MY"
// does not open), -512 (nothing matches) or -305 (the dialog was not ended with Sign).
int32_t ChooseSigningCertificate(int32_t mode, const char* selector, win::CertificateContext& chosen);

}  // namespace vemo::picker
