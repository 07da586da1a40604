// The sources of the user's certificate that deliver DER: the token, the personal store, the
// lookup by serial number. Each hands the certificate on as Base64 text (no line breaks,
// zero-terminated), which the export wraps as one-line PEM.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codec/base64.h"

namespace vemo::cert {

// The largest certificate the sources hand on, and its Base64 text with a terminator.
inline constexpr size_t kCertificateDerMax = 4096;
inline constexpr size_t kBase64TextSize = codec::Base64EncodedLength(kCertificateDerMax) + 1;
using Base64Text = char[kBase64TextSize];

// The certificate of the token's first user container (containers 1 and 2; the default
// pseudo-containers skipped). 0, E_TOKEN_ENUM_BASE + n, E_TOKEN_CERT_BASE + n,
// E_TOKEN_NO_USER_CONTAINER, or SPC_UNKNOWN_ERROR for a record claiming more than 4096 bytes.
int32_t GetUserCerFromKey(Base64Text& text, uint32_t& length);

// The first certificate of the personal store "MY", found again by its display name, which is
// written to "certinfo.txt". 0, E_FAILED, or SPC_UNKNOWN_ERROR (more than 4096 bytes of DER).
int32_t GetUserCerFromIe(Base64Text& text, uint32_t& length);

// The first certificate of "MY", then "AddressBook", whose serial number `serialHex` names in
// either byte order. 0, E_ENCROLL_CERT_NO_FIND, or SPC_UNKNOWN_ERROR (more than 4096 bytes).
int32_t GetUserCerBySerial(const char* serialHex, Base64Text& text, uint32_t& length);

// `size` bytes of DER as Base64 text; false when they are more than kCertificateDerMax.
bool CertificateToBase64(const uint8_t* der, size_t size, Base64Text& text, uint32_t& length);

}  // namespace vemo::cert
