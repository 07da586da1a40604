// The signing dialog: the user picks the certificate of "MY" whose private key C_VEMO_SignEx of
// the picker edition signs with, when no certificate has been chosen yet.
#pragma once

#include "frame/win_handles.h"

namespace vemo::picker {

// Runs the signing dialog (template 1002) modally on the calling thread, in its turn: the
// certificates of "MY" by display name, sorted, the first one selected. True when it ended with
// Sign: `chosen` then holds the certificate of the entry picked. False for Cancel, the Escape key
// or the window closed.
bool RunSignCertDialog(win::CertificateContext& chosen);

}  // namespace vemo::picker
