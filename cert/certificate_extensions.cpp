#include "cert/certificate_extensions.h"

#include <cstring>

#include "codec/der_element.h"
#include "codec/der_length.h"
#include "codec/der_tags.h"

namespace vemo::cert {
namespace {

using codec::ByteReader;
using codec::ReadElement;
using codec::ReadElementTagged;

using codec::kTagBoolean;
using codec::kTagCertificateExtensions;
using codec::kTagCertificateVersion;
using codec::kTagInteger;
using codec::kTagObjectId;
using codec::kTagOctetString;
using codec::kTagSequence;

// The contents of the element that `value` starts with, its length field read in the
// certificate information's way.
bool OutermostContent(ByteReader value, ByteReader& content) {
    uint32_t length = 0;
    return value.skip(1) && codec::ReadDerLengthThreeLongForms(value, length) && value.readBytes(length, content);
}

}  // namespace

bool IsObjectId(ByteReader identifier, ObjectId id) {
    return identifier.remaining() == id.size && std::memcmp(identifier.data(), id.bytes, id.size) == 0;
}

bool ReadCertificateParts(const uint8_t* certificate, size_t size, CertificateParts& parts) {
    parts = CertificateParts();
    ByteReader reader(certificate, size);
    ByteReader certificateContents, tbs, element;
    uint8_t tag = 0;
    // Certificate ::= SEQUENCE { tbsCertificate TBSCertificate, ... }
    if (!ReadElementTagged(reader, kTagSequence, certificateContents)) return false;
    if (!ReadElementTagged(certificateContents, kTagSequence, tbs)) return false;
    // version [0] EXPLICIT Version DEFAULT v1
    if (tbs.peekU8(tag) && tag == kTagCertificateVersion && !ReadElement(tbs, tag, element)) return false;
    // serialNumber CertificateSerialNumber, signature AlgorithmIdentifier, issuer Name,
    // validity Validity, subject Name, subjectPublicKeyInfo SubjectPublicKeyInfo
    if (!ReadElementTagged(tbs, kTagInteger, parts.serialNumber) || !ReadElement(tbs, tag, element) ||
        !codec::ReadWholeElement(tbs, kTagSequence, parts.issuer) || !ReadElement(tbs, tag, element) ||
        !codec::ReadWholeElement(tbs, kTagSequence, parts.subject) || !ReadElement(tbs, tag, element)) {
        return false;
    }
    // issuerUniqueID [1], subjectUniqueID [2], extensions [3] EXPLICIT Extensions
    while (!tbs.empty()) {
        if (!ReadElement(tbs, tag, element)) return false;
        if (tag == kTagCertificateExtensions) {
            parts.hasExtensions = true;
            // Extensions ::= SEQUENCE SIZE (1..MAX) OF Extension
            return ReadElementTagged(element, kTagSequence, parts.extensions);
        }
    }
    return true;
}

bool ReadNextExtension(ByteReader& extensions, Extension& extension) {
    extension = Extension();
    // Extension ::= SEQUENCE { extnID OBJECT IDENTIFIER,
    //                          critical BOOLEAN DEFAULT FALSE,
    //                          extnValue OCTET STRING }
    ByteReader contents, critical;
    bool hasCritical = false;
    return ReadElementTagged(extensions, kTagSequence, contents) &&
           ReadElementTagged(contents, kTagObjectId, extension.id) &&
           codec::ReadOptionalElement(contents, kTagBoolean, critical, hasCritical) &&
           (!hasCritical || codec::ReadBooleanContents(critical, extension.critical)) &&
           ReadElementTagged(contents, kTagOctetString, extension.value);
}

ExtensionSearch FindExtensionContent(const uint8_t* certificate, size_t size, ObjectId id, ByteReader& content) {
    content = ByteReader();
    CertificateParts parts;
    if (!ReadCertificateParts(certificate, size, parts)) return ExtensionSearch::Malformed;
    if (!parts.hasExtensions) return ExtensionSearch::Absent;

    while (!parts.extensions.empty()) {
        Extension extension;
        if (!ReadNextExtension(parts.extensions, extension)) return ExtensionSearch::Malformed;
        if (!IsObjectId(extension.id, id)) continue;
        return OutermostContent(extension.value, content) ? ExtensionSearch::Found : ExtensionSearch::Malformed;
    }
    return ExtensionSearch::Absent;
}

}  // namespace vemo::cert
