#pragma once

#include <cstdint>

namespace vemo::validate {

// The certificate check: `certText` (PEM or bare Base64) within its validity period now and
// signed by a certificate of the current user's "ROOT" store that does not revoke it.
int32_t VerifyUserCert(char* certText);

}  // namespace vemo::validate
