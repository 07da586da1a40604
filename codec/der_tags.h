// The DER tags the library's walks meet: universal types and the context tags of a certificate.
#pragma once

#include <cstdint>

namespace vemo::codec {

inline constexpr uint8_t kTagBoolean = 0x01;
inline constexpr uint8_t kTagInteger = 0x02;
inline constexpr uint8_t kTagBitString = 0x03;
inline constexpr uint8_t kTagOctetString = 0x04;
inline constexpr uint8_t kTagObjectId = 0x06;
inline constexpr uint8_t kTagSequence = 0x30;
inline constexpr uint8_t kTagSet = 0x31;
// TBSCertificate's "version [0] EXPLICIT" and "extensions [3] EXPLICIT".
inline constexpr uint8_t kTagCertificateVersion = 0xA0;
inline constexpr uint8_t kTagCertificateExtensions = 0xA3;

}  // namespace vemo::codec
