// The user's certificate as text from the source the caller names: the body of
// C_VEMO_GetUserCert.
#pragma once

#include <cstdint>

namespace vemo::cert {

int32_t GetUserCert(const char* lookupText, const char* serialHex, const char* location, const char* source,
                    char* certOut, int32_t* certOutLength);

}  // namespace vemo::cert
