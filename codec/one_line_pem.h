// One-line PEM out: a certificate handed to the caller as "-----BEGIN CERTIFICATE-----", its
// Base64 text without line breaks, "-----END CERTIFICATE-----" and a zero byte. Its length, as
// reported, is the Base64 length plus 52 (the terminator is not counted).
#pragma once

#include <cstddef>
#include <cstdint>

namespace vemo::codec {

inline constexpr char kPemBeginCertificate[] = "-----BEGIN CERTIFICATE-----";
inline constexpr char kPemEndCertificate[] = "-----END CERTIFICATE-----";
inline constexpr size_t kOneLinePemArmourLength = sizeof kPemBeginCertificate - 1 + sizeof kPemEndCertificate - 1;
// The one-line PEM of a 4096-byte certificate: 5464 Base64 characters and the armour.
inline constexpr size_t kOneLinePemMax = 5464 + kOneLinePemArmourLength;

// Wraps `base64Length` characters of Base64 text into `out` (`outCapacity` bytes) and sets
// `*textLength`. Returns false, writing nothing, when an argument is null or the text and its
// terminator would not fit.
bool WrapOneLinePem(const char* base64, size_t base64Length, char* out, size_t outCapacity, uint32_t* textLength);

// Encodes `derLength` bytes of DER and wraps them as above.
bool FormatOneLinePem(const uint8_t* der, uint32_t derLength, char* out, size_t outCapacity, uint32_t* textLength);

}  // namespace vemo::codec
