#include "picker/sign_certificate_dialog.h"

namespace vemo::picker {

DialogOutcome RunSignCertDialog(win::CertificateContext& chosen) {
    chosen.reset();
    return DialogOutcome::Cancelled;
}

}  // namespace vemo::picker
