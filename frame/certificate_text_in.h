// The caller's certificate text to DER with this edition's policy: a private copy in the token
// edition, the caller's own buffer in the trace and picker editions, and the picker edition's
// 2500-byte normaliser. Callers log and map the step that failed by their own messages.
#pragma once

#include "codec/certificate_text.h"
#include "codec/pem.h"
#include "edition.h"

namespace vemo {

inline constexpr codec::TextPolicy kCertificateTextPolicy = {edition::kNormalisesCallerText,
                                                            edition::kPemWorkBufferSize};

static_assert(edition::kPemWorkBufferSize == 0 || edition::kPemWorkBufferSize == codec::kPickerPemWorkBufferSize);

inline codec::TextStep CertificateTextIn(char* text, codec::DerBlock& der) {
    return codec::CertificateTextToDer(text, kCertificateTextPolicy, der);
}

// Text that comes with its length and no terminator (the raw verification's key data): never
// read or written past `length` bytes; in the trace and picker editions the caller's bytes are
// left normalised, with the DER over their start.
inline codec::TextStep KeyDataTextIn(uint8_t* text, size_t length, codec::DerBlock& der) {
    return codec::BoundedTextToDer(text, length, kCertificateTextPolicy, der);
}

}  // namespace vemo
