#pragma once

#include <cstdint>

namespace vemo::validate {

// The revocation list check: the list of the file `crlFile` judged for `certText` (PEM or bare
// Base64) when `mode` reads as 3, with the certificates of the user's "ROOT" store as the keys
// trusted to sign it; modes 1 and 2 consult no list. CVEMO_CRL_NOT_REVOKED (0) when a list
// that counts does not hold the certificate, E_CERT_REVOKED when a trusted list holds it,
// otherwise the code of what kept the list from answering, or a failure code.
int32_t VerifyUserCRL(char* certText, const char* crlFile, const char* mode);

}  // namespace vemo::validate
