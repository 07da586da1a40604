// One C_VEMO_GetUserCert call of the edition under test, into a guarded output buffer, with what
// the caller can see afterwards.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "support/dialog_driver.h"

namespace vemo::test {

struct UserCertCall {
    int32_t result = 0;
    int32_t length = 0;        // kLengthUnwritten when the call did not write it
    std::string text;          // the `length` bytes written (empty on failure)
    bool terminated = false;   // a zero byte follows the text
    bool emptyOnFailure = true;  // failure: the first 4 bytes zero, nothing else written
    bool guardsIntact = true;  // nothing written past the largest output and its terminator

    static constexpr int32_t kLengthUnwritten = -12345;
};

// Arguments as C_VEMO_GetUserCert takes them; nullptr passes a null pointer.
UserCertCall GetUserCert(const char* source, const char* lookupText = "lookup", const char* serialHex = "",
                         const char* location = "");

// The same call while `person` uses the selection dialog it opens (picker edition).
UserCertCall GetUserCertWith(const std::function<void(DialogDriver&)>& person, const char* source,
                             const char* lookupText = "lookup", const char* serialHex = "", const char* location = "");

// The call of a selector that opens the picker edition's selection dialog, which the person
// cancels; in the other editions the plain call.
UserCertCall GetUserCertOrCancel(const char* source, const char* lookupText = "lookup", const char* serialHex = "",
                                 const char* location = "");

}  // namespace vemo::test
