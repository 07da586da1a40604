#pragma once

#include <cstdint>

namespace vemo::validate {

// The revocation list check: `certText` (PEM or bare Base64) looked up in the list of the file
// `crlFile` when `mode` reads as 3; modes 1 and 2 consult no list. CVEMO_CRL_NOT_REVOKED (0)
// or CVEMO_CRL_REVOKED (1) after a lookup, otherwise a failure code.
int32_t VerifyUserCRL(char* certText, const char* crlFile, const char* mode);

}  // namespace vemo::validate
