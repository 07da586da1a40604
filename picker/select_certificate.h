// The picker edition's selection dialog, through which the user picks the certificate that
// C_VEMO_GetUserCert hands out in place of the token and the personal store.
#pragma once

#include <cstdint>

#include "cert/user_cert_sources.h"

namespace vemo::picker {

// Runs the selection dialog. True when it ended with OK: `text` then holds the chosen
// certificate's Base64 text and `length` its length (0 when the dialog found none).
// Not yet available: shows nothing and answers false (nothing chosen).
bool SelectCertificateText(cert::Base64Text& text, uint32_t& length);

}  // namespace vemo::picker
