// The signing dialog: the user picks the certificate of "MY" whose private key C_VEMO_SignEx of
// the picker edition signs with, when no certificate has been chosen yet.
#pragma once

#include "frame/win_handles.h"

namespace vemo::picker {

enum class DialogOutcome {
    Chosen,         // Sign (OK) with a certificate, in `chosen`
    ChosenNothing,  // Sign, but no certificate's subject holds the chosen name
    Cancelled,      // Cancel, the Escape key or the window closed
};

// Runs the signing dialog (template 1002) modally on the calling thread: the certificates of
// "MY" by display name, sorted, the first one selected. Sign looks the chosen name up again:
// the first certificate of "MY", in store order, whose subject contains it.
DialogOutcome RunSignCertDialog(win::CertificateContext& chosen);

}  // namespace vemo::picker
