// The code of a platform call that just failed. A provider or system function may fail without
// setting the thread's last error (or after clearing it); handed on as it is, that 0 would read
// as success, and C_VEMO_VerifySign would answer "valid" for a signature nobody checked. Every
// path that returns or keeps a platform error takes it through here.
#pragma once

#include <windows.h>

namespace vemo {

// `error`, or NTE_FAIL when it is 0.
inline DWORD FailureCode(DWORD error) { return error != ERROR_SUCCESS ? error : static_cast<DWORD>(NTE_FAIL); }

// The thread's last error, read at once after the failed call; never 0.
inline DWORD LastFailureCode() { return FailureCode(GetLastError()); }

}  // namespace vemo
