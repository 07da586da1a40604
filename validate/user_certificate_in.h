// The first steps of both validations: the caller's certificate text, by the edition's text
// policy, to a certificate context, each failure written down with its own message.
#pragma once

#include <cstdint>

#include "frame/diagnostics.h"
#include "frame/win_handles.h"

namespace vemo::validate {

// Sets `certificate` and returns 0, or returns the failure's code: SPC_INPUTARG_ERROR_01 for
// no text, an empty one or one over 4096 characters (nothing logged); E_FAILED when the text
// is not recognised, E_PEM_DECODE_ERROR when it does not decode, E_CERT_DATA_ERROR when the
// DER is no certificate (each logged). Each step is also traced when `trace` is given.
int32_t UserCertificateIn(char* text, TraceBlock* trace, win::CertificateContext& certificate);

// The same for a text that no edition may change: read through a private copy in every edition,
// with the 4096-character limit and no other.
int32_t UserCertificateInCopy(const char* text, TraceBlock* trace, win::CertificateContext& certificate);

}  // namespace vemo::validate
