#include "validate/path_certificate.h"

#include "codec/der_element.h"
#include "codec/der_tags.h"

namespace vemo::validate {
namespace {

using codec::ByteReader;
using codec::kTagBitString;
using codec::kTagBoolean;
using codec::kTagInteger;
using codec::kTagOctetString;
using codec::kTagSequence;

inline constexpr uint8_t kNameConstraintsBytes[] = {0x55, 0x1D, 0x1E};  // 2.5.29.30
inline constexpr uint8_t kExtKeyUsageBytes[] = {0x55, 0x1D, 0x25};       // 2.5.29.37
inline constexpr cert::ObjectId kNameConstraints{kNameConstraintsBytes, sizeof kNameConstraintsBytes};
inline constexpr cert::ObjectId kExtKeyUsage{kExtKeyUsageBytes, sizeof kExtKeyUsageBytes};
// AuthorityKeyIdentifier's keyIdentifier [0] IMPLICIT KeyIdentifier.
inline constexpr uint8_t kTagKeyIdentifier = 0x80;

// The one element that fills `value`, of the tag `tag`: its contents.
bool ReadOnly(ByteReader value, uint8_t tag, ByteReader& contents) {
    return codec::ReadElementTagged(value, tag, contents) && value.empty();
}

bool ReadBasicConstraints(ByteReader value, PathCertificate& certificate) {
    // BasicConstraints ::= SEQUENCE { cA BOOLEAN DEFAULT FALSE,
    //                                 pathLenConstraint INTEGER (0..MAX) OPTIONAL }
    ByteReader contents, flag, length;
    bool hasFlag = false;
    if (!ReadOnly(value, kTagSequence, contents) || !codec::ReadOptionalElement(contents, kTagBoolean, flag, hasFlag) ||
        (hasFlag && !codec::ReadBooleanContents(flag, certificate.ca)) ||
        !codec::ReadOptionalElement(contents, kTagInteger, length, certificate.hasPathLength) || !contents.empty()) {
        return false;
    }
    if (!certificate.hasPathLength) return true;
    // Non-negative; a constraint beyond 32 bits constrains nothing a path can hold.
    uint8_t first = 0;
    if (!length.peekU8(first) || (first & 0x80) != 0) return false;
    while (length.remaining() > 4 && length.peekU8(first) && first == 0) length.skip(1);
    if (length.remaining() > 4) {
        certificate.pathLength = UINT32_MAX;
        return true;
    }
    return length.readBigEndian(length.remaining(), certificate.pathLength);
}

bool ReadKeyUsage(ByteReader value, PathCertificate& certificate) {
    // KeyUsage ::= BIT STRING (the unused-bits count, then the bits, digitalSignature first)
    ByteReader bits;
    uint8_t unused = 0;
    if (!ReadOnly(value, kTagBitString, bits) || !bits.readU8(unused) || unused > 7) return false;
    certificate.hasKeyUsage = true;
    if (!bits.empty()) bits.readU8(certificate.keyUsage);
    return true;
}

bool ReadAuthorityKeyId(ByteReader value, PathCertificate& certificate) {
    // AuthorityKeyIdentifier ::= SEQUENCE { keyIdentifier [0] KeyIdentifier OPTIONAL, ... }
    ByteReader contents;
    bool present = false;
    return ReadOnly(value, kTagSequence, contents) &&
           codec::ReadOptionalElement(contents, kTagKeyIdentifier, certificate.authorityKeyId, present);
}

// Reads one extension into `certificate`; false when its value is malformed.
bool ReadExtension(const cert::Extension& extension, PathCertificate& certificate) {
    if (cert::IsObjectId(extension.id, cert::kBasicConstraints)) {
        certificate.hasBasicConstraints = true;
        return ReadBasicConstraints(extension.value, certificate);
    }
    if (cert::IsObjectId(extension.id, cert::kKeyUsage)) return ReadKeyUsage(extension.value, certificate);
    if (cert::IsObjectId(extension.id, cert::kSubjectAltName)) {
        // SubjectAltName ::= GeneralNames ::= SEQUENCE SIZE (1..MAX) OF GeneralName
        return ReadOnly(extension.value, kTagSequence, certificate.subjectAltNames);
    }
    if (cert::IsObjectId(extension.id, kNameConstraints)) {
        certificate.hasNameConstraints = true;
        // NameConstraints ::= SEQUENCE { permittedSubtrees [0], excludedSubtrees [1] }
        return ReadOnly(extension.value, kTagSequence, certificate.nameConstraints);
    }
    if (cert::IsObjectId(extension.id, cert::kSubjectKeyId)) {
        // SubjectKeyIdentifier ::= KeyIdentifier ::= OCTET STRING
        return ReadOnly(extension.value, kTagOctetString, certificate.subjectKeyId);
    }
    if (cert::IsObjectId(extension.id, cert::kAuthorityKeyId)) return ReadAuthorityKeyId(extension.value, certificate);
    // The extended key usage names purposes, and this check asks for none; the distribution
    // points are read by the revocation judgement. Anything else is not processed here.
    const bool processed =
        cert::IsObjectId(extension.id, kExtKeyUsage) || cert::IsObjectId(extension.id, cert::kCrlDistributionPoints);
    if (extension.critical && !processed) certificate.unprocessedCritical = true;
    return true;
}

// Whether the extension list names one identifier twice, which a certificate must not.
bool HasDuplicate(ByteReader extensions) {
    for (ByteReader outer = extensions; !outer.empty();) {
        cert::Extension first;
        if (!cert::ReadNextExtension(outer, first)) return true;
        for (ByteReader inner = outer; !inner.empty();) {
            cert::Extension later;
            if (!cert::ReadNextExtension(inner, later)) return true;
            if (later.id.remaining() == first.id.remaining() &&
                cert::IsObjectId(later.id, {first.id.data(), first.id.remaining()})) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

bool ReadPathCertificate(const uint8_t* der, size_t size, PathCertificate& certificate) {
    certificate = PathCertificate();
    if (!cert::ReadCertificateParts(der, size, certificate.parts) ||
        !certificate.subject.read(certificate.parts.subject) || !certificate.issuer.read(certificate.parts.issuer) ||
        HasDuplicate(certificate.parts.extensions)) {
        return false;
    }
    certificate.selfIssued = certificate.subject == certificate.issuer;
    for (ByteReader extensions = certificate.parts.extensions; !extensions.empty();) {
        cert::Extension extension;
        if (!cert::ReadNextExtension(extensions, extension) || !ReadExtension(extension, certificate)) return false;
    }
    return true;
}

}  // namespace vemo::validate
