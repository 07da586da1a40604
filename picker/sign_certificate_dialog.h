// The signing dialog of the picker edition: the user picks a certificate of the personal store
// for a signature.
//
// Not yet available: RunSignCertDialog shows nothing and answers Cancelled, so a signature
// in the dialog mode without a remembered certificate ends as a cancelled dialog does. The
// dialog itself replaces this function.
#pragma once

#include "frame/win_handles.h"

namespace vemo::picker {

enum class DialogOutcome {
    Chosen,         // OK with a certificate, in `chosen`
    ChosenNothing,  // OK, but the dialog found no certificate
    Cancelled,      // anything but OK
};

DialogOutcome RunSignCertDialog(win::CertificateContext& chosen);

}  // namespace vemo::picker
