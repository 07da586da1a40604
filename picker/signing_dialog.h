// The signing dialog: the user picks the certificate of "MY" whose private key C_VEMO_SignEx of
// the picker edition signs with, when no certificate has been chosen yet.
#pragma once

#include "frame/win_handles.h"

namespace vemo::picker {

// Runs the signing dialog (template 1002) modally on the calling thread: the certificates of
// "MY" by display name, sorted, the first one selected. True when it ended with Sign (OK):
// `found` then holds the first certificate of "MY" whose subject contains the chosen name, and
// is empty when none does.
bool ChooseSigningCertificate(win::CertificateContext& found);

}  // namespace vemo::picker
