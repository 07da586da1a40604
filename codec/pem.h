// Normalising certificate and revocation list text, PEM armour or bare Base64, to the bare
// Base64 block that R_DecodePEMBlock takes.
#pragma once

#include <cstddef>

namespace vemo::codec {

// The picker edition's work buffers: texts of at most 2499 characters and a terminator.
inline constexpr size_t kPickerPemWorkBufferSize = 2500;

// Normalises the zero-terminated `text` in place: removes blanks, tabs, line breaks and dashes;
// drops a leading "BEGIN CERTIFICATE" or "BEGIN X509 CRL" label (letter case ignored) or
// accepts text that starts with "MI" (the Base64 of a long DER SEQUENCE); cuts the text at the
// first "ENDCERTIFICATE", else at the first "ENDX509CRL" (letter case significant, so a
// lower-case end label stays in the text and its decoding fails).
// Returns 0 when accepted, -1 (text unchanged) when the text is null, empty or not recognised.
int MoveRedunStrFormPemCert(char* text);

// The same for a build whose work buffers hold `workBufferSize` bytes: a text of
// `workBufferSize` characters or more is refused with -1 and left unchanged.
int MoveRedunStrFormPemCert(char* text, size_t workBufferSize);

}  // namespace vemo::codec
