// Names and meanings of the library's result codes, from the table in the public header.
#pragma once

#include <cstdint>

namespace vemo {

// The code's name ("SPC_INPUTARG_ERROR_01"), or nullptr for a value outside the table.
const char* resultCodeName(int32_t code);
// What the code means, or nullptr for a value outside the table.
const char* resultCodeMeaning(int32_t code);

}  // namespace vemo
