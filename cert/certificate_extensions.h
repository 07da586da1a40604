// The parts of a DER certificate that the library compares and looks into, and its extensions,
// found by a walk on the bounded reader: the key identifiers and the subject alternative name
// that the certificate information shows, the names, serial number and extensions that the
// revocation judgement compares. The extension reader also serves revocation lists, whose
// extensions have the same form.
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
inline constexpr uint8_t kSubjectKeyIdBytes[] = {0x55, 0x1D, 0x0E};          // 2.5.29.14
inline constexpr uint8_t kKeyUsageBytes[] = {0x55, 0x1D, 0x0F};              // 2.5.29.15
inline constexpr uint8_t kSubjectAltNameBytes[] = {0x55, 0x1D, 0x11};        // 2.5.29.17
inline constexpr uint8_t kBasicConstraintsBytes[] = {0x55, 0x1D, 0x13};      // 2.5.29.19
inline constexpr uint8_t kCrlDistributionPointsBytes[] = {0x55, 0x1D, 0x1F};  // 2.5.29.31
inline constexpr uint8_t kAuthorityKeyIdBytes[] = {0x55, 0x1D, 0x23};        // 2.5.29.35
inline constexpr ObjectId kSubjectKeyId{kSubjectKeyIdBytes, sizeof kSubjectKeyIdBytes};
inline constexpr ObjectId kKeyUsage{kKeyUsageBytes, sizeof kKeyUsageBytes};
inline constexpr ObjectId kSubjectAltName{kSubjectAltNameBytes, sizeof kSubjectAltNameBytes};
inline constexpr ObjectId kBasicConstraints{kBasicConstraintsBytes, sizeof kBasicConstraintsBytes};
inline constexpr ObjectId kCrlDistributionPoints{kCrlDistributionPointsBytes, sizeof kCrlDistributionPointsBytes};
inline constexpr ObjectId kAuthorityKeyId{kAuthorityKeyIdBytes, sizeof kAuthorityKeyIdBytes};

// Whether the identifier's content bytes are `id`.
bool IsObjectId(codec::ByteReader identifier, ObjectId id);

// What the checks read of a certificate.
struct CertificateParts {
    codec::ByteReader serialNumber;  // the INTEGER's content bytes
    codec::ByteReader issuer;        // Name, whole element
    codec::ByteReader subject;       // Name, whole element
    codec::ByteReader extensions;    // the Extensions SEQUENCE's contents; empty without any
    bool hasExtensions = false;
};

// Walks the certificate (`size` bytes of DER at `certificate`) to its parts. False when the
// walk meets bytes that are not what a certificate holds there.
bool ReadCertificateParts(const uint8_t* certificate, size_t size, CertificateParts& parts);

// One extension of an Extensions list.
struct Extension {
    codec::ByteReader id;     // the identifier's content bytes
    bool critical = false;
    codec::ByteReader value;  // the extnValue OCTET STRING's contents: the DER of the value
};

// The next extension of `extensions` (an Extensions SEQUENCE's contents); the reader moves
// past it. False when it is malformed (or none is left).
bool ReadNextExtension(codec::ByteReader& extensions, Extension& extension);

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
