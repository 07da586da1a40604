// The extensions of a DER certificate, found by a walk on the bounded reader: the key
// identifiers and the subject alternative name that the certificate information shows.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codec/byte_reader.h"

namespace vemo::cert {

// Object identifiers, as the content bytes of their DER encoding.
struct ObjectId {
    const uint8_t* bytes;
    size_t size;
};
inline constexpr uint8_t kSubjectKeyIdBytes[] = {0x55, 0x1D, 0x0E};    // 2.5.29.14
inline constexpr uint8_t kSubjectAltNameBytes[] = {0x55, 0x1D, 0x11};  // 2.5.29.17
inline constexpr uint8_t kAuthorityKeyIdBytes[] = {0x55, 0x1D, 0x23};  // 2.5.29.35
inline constexpr ObjectId kSubjectKeyId{kSubjectKeyIdBytes, sizeof kSubjectKeyIdBytes};
inline constexpr ObjectId kSubjectAltName{kSubjectAltNameBytes, sizeof kSubjectAltNameBytes};
inline constexpr ObjectId kAuthorityKeyId{kAuthorityKeyIdBytes, sizeof kAuthorityKeyIdBytes};

enum class ExtensionSearch {
    Found,
    Absent,     // the certificate has no extension of that identifier
    Malformed,  // the walk met bytes that are not what a certificate holds there
};

// The first extension of the certificate (`size` bytes of DER at `certificate`) whose
// identifier is `id`: `content` receives the contents of the outermost element of its value,
// without that element's tag and length field (the identifier of a subject key identifier, the
// elements of an authority key identifier or a subject alternative name). The value's length
// field is read as the certificate information always has: short, or 0x81, 0x82, 0x84 with one,
// two or four bytes, any other first byte being the length itself.
ExtensionSearch FindExtensionContent(const uint8_t* certificate, size_t size, ObjectId id,
                                     codec::ByteReader& content);

}  // namespace vemo::cert
