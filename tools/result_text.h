// What a result code means, told per export and edition: 1 is "revoked" from
// C_VEMO_VerifyUserCRL but "the provider refused the key" from C_VEMO_VerifySign, and a code
// that an export passes through from Windows is shown as a Windows error with the system's
// message.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "library_binding.h"

namespace vemo::tool {

struct ResultText {
    std::string name;  // "E_FAILED", "E_TOKEN_ENUM_BASE + 1"; empty for a code without a name
    std::string meaning;
};

// The code as `which` of `edition` means it.
ResultText DescribeResult(Export which, Edition edition, int32_t code);

// Every meaning a value has, for "vemo codes <value>": one row per export (and editions) that
// gives it a meaning of its own, the header's general one; a value the library gives no
// meaning, as a Windows error.
struct CodeMeaning {
    std::string where;  // "C_VEMO_VerifySign", "C_VEMO_SignEx (picker)", "in general", "Windows"
    ResultText text;
};
std::vector<CodeMeaning> MeaningsOf(int32_t code);

// The system's message for a Windows error code, without its line end; empty when it has none.
std::string WindowsMessage(uint32_t code);

}  // namespace vemo::tool
