#include "cert/certificate_extensions.h"

#include <cstring>

#include "codec/der_element.h"
#include "codec/der_length.h"
#include "codec/der_tags.h"

namespace vemo::cert {
namespace {

using codec::ByteReader;

using codec::kTagBoolean;
using codec::kTagCertificateExtensions;
using codec::kTagCertificateVersion;
using codec::kTagObjectId;
using codec::kTagOctetString;
using codec::kTagSequence;

// One element: its tag and its contents; the reader moves past it.
bool ReadElement(ByteReader& reader, uint8_t& tag, ByteReader& contents) {
    codec::DerElement element;
    if (!codec::ReadDerElement(reader, element)) return false;
    tag = element.tag;
    contents = element.contents;
    return true;
}

bool ReadElementTagged(ByteReader& reader, uint8_t expected, ByteReader& contents) {
    uint8_t tag = 0;
    return ReadElement(reader, tag, contents) && tag == expected;
}

// The contents of the element that `value` starts with, its length field read in the
// certificate information's way.
bool OutermostContent(ByteReader value, ByteReader& content) {
    uint32_t length = 0;
    return value.skip(1) && codec::ReadDerLengthThreeLongForms(value, length) && value.readBytes(length, content);
}

// The Extensions element's contents, or an empty reader (`found` false) when there is none.
bool FindExtensions(const uint8_t* certificate, size_t size, ByteReader& extensions, bool& found) {
    found = false;
    ByteReader reader(certificate, size);
    ByteReader certificateContents, tbs;
    // Certificate ::= SEQUENCE { tbsCertificate TBSCertificate, ... }
    if (!ReadElementTagged(reader, kTagSequence, certificateContents)) return false;
    if (!ReadElementTagged(certificateContents, kTagSequence, tbs)) return false;

    // version [0] EXPLICIT Version DEFAULT v1
    uint8_t tag = 0;
    ByteReader element;
    if (tbs.peekU8(tag) && tag == kTagCertificateVersion && !ReadElement(tbs, tag, element)) return false;
    // serialNumber, signature, issuer, validity, subject, subjectPublicKeyInfo
    for (int field = 0; field < 6; ++field) {
        if (!ReadElement(tbs, tag, element)) return false;
    }
    // issuerUniqueID [1], subjectUniqueID [2], extensions [3] EXPLICIT Extensions
    while (!tbs.empty()) {
        if (!ReadElement(tbs, tag, element)) return false;
        if (tag == kTagCertificateExtensions) {
            found = true;
            // Extensions ::= SEQUENCE SIZE (1..MAX) OF Extension
            return ReadElementTagged(element, kTagSequence, extensions);
        }
    }
    return true;
}

}  // namespace

ExtensionSearch FindExtensionContent(const uint8_t* certificate, size_t size, ObjectId id, ByteReader& content) {
    content = ByteReader();
    ByteReader extensions;
    bool found = false;
    if (!FindExtensions(certificate, size, extensions, found)) return ExtensionSearch::Malformed;
    if (!found) return ExtensionSearch::Absent;

    while (!extensions.empty()) {
        // Extension ::= SEQUENCE { extnID OBJECT IDENTIFIER,
        //                          critical BOOLEAN DEFAULT FALSE,
        //                          extnValue OCTET STRING }
        ByteReader extension, extnId, critical, extnValue;
        if (!ReadElementTagged(extensions, kTagSequence, extension) ||
            !ReadElementTagged(extension, kTagObjectId, extnId)) {
            return ExtensionSearch::Malformed;
        }
        uint8_t tag = 0;
        if (extension.peekU8(tag) && tag == kTagBoolean && !ReadElement(extension, tag, critical)) {
            return ExtensionSearch::Malformed;
        }
        if (!ReadElementTagged(extension, kTagOctetString, extnValue)) return ExtensionSearch::Malformed;
        if (extnId.remaining() != id.size || std::memcmp(extnId.data(), id.bytes, id.size) != 0) continue;
        return OutermostContent(extnValue, content) ? ExtensionSearch::Found : ExtensionSearch::Malformed;
    }
    return ExtensionSearch::Absent;
}

}  // namespace vemo::cert
