// The picker edition's chosen certificate: one per process, set by every selection by serial
// number or subject and by the signing dialog, forgotten when it is refused (no private key, a
// serial number or key the signature record cannot carry), and released when the library
// unloads. A lock guards it, so that calls that overlap cannot tear it; each reader gets its
// own reference.
#pragma once

#include "frame/win_handles.h"

namespace vemo::picker {

// A reference to the chosen certificate, or an empty one when none is chosen.
win::CertificateContext RememberedCertificate();
// Chooses `certificate` (a reference of its own is kept), replacing any earlier choice.
void RememberCertificate(PCCERT_CONTEXT certificate);
// Forgets `refused` if it is still the chosen certificate; a certificate another call has
// chosen meanwhile stays.
void ForgetCertificate(PCCERT_CONTEXT refused);

}  // namespace vemo::picker
