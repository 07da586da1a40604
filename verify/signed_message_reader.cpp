#include "verify/signed_message_reader.h"

#include "cert/certificate_extensions.h"
#include "codec/der_element.h"
#include "codec/der_tags.h"
#include "codec/digest_algorithms.h"

namespace vemo::verify {
namespace {

using codec::AtTag;
using codec::ByteReader;
using codec::DerElement;
using codec::ReadBerElement;
using codec::ReadDerElement;
using codec::SameBytes;

using codec::kTagCertificateVersion;
using codec::kTagInteger;
using codec::kTagObjectId;
using codec::kTagOctetString;
using codec::kTagSequence;

constexpr uint8_t kTagSet = 0x31;
constexpr uint8_t kTagOctetStringInPieces = 0x24;  // constructed: OCTET STRINGs joined
constexpr uint8_t kTagContext0 = 0xA0;             // [0], constructed
constexpr uint8_t kTagContext1 = 0xA1;             // [1], constructed
constexpr uint8_t kTagKeyIdentifier = 0x80;        // [0] IMPLICIT SubjectKeyIdentifier

// 1.2.840.113549.1.7.2 signedData; 1.2.840.113549.1.9.3 contentType, .4 messageDigest.
constexpr uint8_t kSignedDataBytes[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02};
constexpr uint8_t kContentTypeBytes[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x03};
constexpr uint8_t kMessageDigestBytes[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x04};
const ByteReader kSignedData(kSignedDataBytes, sizeof kSignedDataBytes);
const ByteReader kContentTypeAttribute(kContentTypeBytes, sizeof kContentTypeBytes);
const ByteReader kMessageDigestAttribute(kMessageDigestBytes, sizeof kMessageDigestBytes);

bool ReadOid(ByteReader& reader, ByteReader& oid) {
    DerElement element;
    if (!ReadDerElement(reader, kTagObjectId, element)) return false;
    oid = element.contents;
    return true;
}

// AlgorithmIdentifier ::= SEQUENCE { algorithm OBJECT IDENTIFIER, parameters ANY OPTIONAL }
bool ReadAlgorithm(ByteReader& reader, ByteReader& oid) {
    DerElement identifier;
    return ReadBerElement(reader, kTagSequence, identifier) && ReadOid(identifier.contents, oid);
}

// attrValues SET OF AttributeValue, holding exactly one value of the tag.
bool ReadSingleValue(ByteReader values, uint8_t tag, ByteReader& value) {
    DerElement element;
    if (!ReadDerElement(values, tag, element) || !values.empty()) return false;
    value = element.contents;
    return true;
}

// SignedAttributes ::= SET SIZE (1..MAX) OF Attribute
bool ReadSignedAttributes(ByteReader attributes, SignerInfoView& signer) {
    while (!attributes.empty()) {
        // Attribute ::= SEQUENCE { attrType OBJECT IDENTIFIER, attrValues SET OF AttributeValue }
        DerElement attribute, values;
        ByteReader type;
        if (!ReadDerElement(attributes, kTagSequence, attribute) || !ReadOid(attribute.contents, type) ||
            !ReadDerElement(attribute.contents, kTagSet, values) || !attribute.contents.empty()) {
            return false;
        }
        if (SameBytes(type, kContentTypeAttribute)) {
            // ContentType ::= OBJECT IDENTIFIER
            if (signer.hasContentType || !ReadSingleValue(values.contents, kTagObjectId, signer.contentType)) {
                return false;
            }
            signer.hasContentType = true;
        } else if (SameBytes(type, kMessageDigestAttribute)) {
            // MessageDigest ::= OCTET STRING
            if (signer.hasMessageDigest || !ReadSingleValue(values.contents, kTagOctetString, signer.messageDigest)) {
                return false;
            }
            signer.hasMessageDigest = true;
        }
    }
    return true;
}

bool ReadSignerInfo(ByteReader& signerInfos, SignerInfoView& signer) {
    // SignerInfo ::= SEQUENCE {
    DerElement info, element;
    if (!ReadBerElement(signerInfos, kTagSequence, info)) return false;
    ByteReader& fields = info.contents;
    //   version CMSVersion,
    if (!ReadDerElement(fields, kTagInteger, element)) return false;
    //   sid SignerIdentifier ::= CHOICE { issuerAndSerialNumber IssuerAndSerialNumber,
    //                                     subjectKeyIdentifier [0] SubjectKeyIdentifier },
    if (AtTag(fields, kTagKeyIdentifier)) {
        if (!ReadDerElement(fields, element)) return false;
        signer.byKeyIdentifier = true;
        signer.keyIdentifier = element.contents;
    } else {
        // IssuerAndSerialNumber ::= SEQUENCE { issuer Name, serialNumber CertificateSerialNumber }
        DerElement sid, issuer, serial;
        if (!ReadBerElement(fields, kTagSequence, sid) || !ReadBerElement(sid.contents, kTagSequence, issuer) ||
            !ReadDerElement(sid.contents, kTagInteger, serial) || !sid.contents.empty()) {
            return false;
        }
        signer.issuer = issuer.whole;
        signer.serialNumber = serial.contents;
    }
    //   digestAlgorithm DigestAlgorithmIdentifier,
    if (!ReadAlgorithm(fields, signer.digestAlgorithm)) return false;
    //   signedAttrs [0] IMPLICIT SignedAttributes OPTIONAL,  (DER: they are signed as encoded)
    if (AtTag(fields, kTagContext0)) {
        if (!ReadDerElement(fields, element) || !ReadSignedAttributes(element.contents, signer)) return false;
        signer.hasSignedAttributes = true;
        signer.signedAttributes = element.whole;
    }
    //   signatureAlgorithm SignatureAlgorithmIdentifier,
    if (!ReadAlgorithm(fields, signer.signatureAlgorithm)) return false;
    //   signature SignatureValue (OCTET STRING),
    if (!ReadDerElement(fields, kTagOctetString, element)) return false;
    signer.signature = element.contents;
    //   unsignedAttrs [1] IMPLICIT UnsignedAttributes OPTIONAL }
    if (AtTag(fields, kTagContext1) && !ReadBerElement(fields, element)) return false;
    return fields.empty();
}

// The pieces of an OCTET STRING written in pieces, appended in order; a piece may itself be in
// pieces.
bool JoinPieces(ByteReader pieces, std::vector<uint8_t>& joined, int depth) {
    if (depth >= codec::kBerNestingMax) return false;
    while (!pieces.empty()) {
        DerElement piece;
        if (!ReadBerElement(pieces, piece)) return false;
        if (piece.tag == kTagOctetString) {
            joined.insert(joined.end(), piece.contents.data(), piece.contents.data() + piece.contents.remaining());
        } else if (piece.tag != kTagOctetStringInPieces || !JoinPieces(piece.contents, joined, depth + 1)) {
            return false;
        }
    }
    return true;
}

bool ReadEncapsulatedContent(ByteReader& fields, SignedMessageView& message) {
    // EncapsulatedContentInfo ::= SEQUENCE {
    //   eContentType ContentType,
    //   eContent [0] EXPLICIT OCTET STRING OPTIONAL }  (absent: the content is detached)
    DerElement info, explicitContent, content;
    if (!ReadBerElement(fields, kTagSequence, info) || !ReadOid(info.contents, message.contentType)) return false;
    if (info.contents.empty()) return true;
    if (!ReadBerElement(info.contents, kTagContext0, explicitContent) || !info.contents.empty() ||
        !ReadBerElement(explicitContent.contents, content) || !explicitContent.contents.empty()) {
        return false;
    }
    message.attached = true;
    if (content.tag == kTagOctetStringInPieces) {
        message.contentJoined = true;
        return JoinPieces(content.contents, message.joinedContent, 0);
    }
    // An OCTET STRING; a content of another type (the older form of the message) is digested as
    // the contents of its encoding.
    message.contentView = content.contents;
    return true;
}

// CertificateSet ::= SET OF CertificateChoices; the certificates (SEQUENCEs) are taken, the
// other choices ([0] to [3]: attribute and other certificates) passed over.
bool ReadCertificates(ByteReader set, std::vector<ByteReader>& certificates) {
    while (!set.empty()) {
        DerElement choice;
        if (!ReadBerElement(set, choice)) return false;
        if (choice.tag == kTagSequence) certificates.push_back(choice.whole);
    }
    return true;
}

bool ReadSignedData(ByteReader fields, SignedMessageView& message) {
    // SignedData ::= SEQUENCE {
    DerElement element;
    //   version CMSVersion,
    //   digestAlgorithms DigestAlgorithmIdentifiers (each signer names its own below),
    if (!ReadDerElement(fields, kTagInteger, element) || !ReadBerElement(fields, kTagSet, element)) return false;
    //   encapContentInfo EncapsulatedContentInfo,
    if (!ReadEncapsulatedContent(fields, message)) return false;
    //   certificates [0] IMPLICIT CertificateSet OPTIONAL,
    if (AtTag(fields, kTagContext0) &&
        (!ReadBerElement(fields, element) || !ReadCertificates(element.contents, message.certificates))) {
        return false;
    }
    //   crls [1] IMPLICIT RevocationInfoChoices OPTIONAL,
    if (AtTag(fields, kTagContext1) && !ReadBerElement(fields, element)) return false;
    //   signerInfos SignerInfos (SET OF SignerInfo) }
    DerElement signerInfos;
    if (!ReadBerElement(fields, kTagSet, signerInfos) || !fields.empty()) return false;
    while (!signerInfos.contents.empty()) {
        message.signers.emplace_back();
        if (!ReadSignerInfo(signerInfos.contents, message.signers.back())) return false;
    }
    return true;
}

// The issuer (whole) and the serial number (contents) of a certificate.
bool ReadIssuerAndSerial(ByteReader certificate, ByteReader& issuer, ByteReader& serialNumber) {
    // Certificate ::= SEQUENCE { tbsCertificate TBSCertificate, ... }
    DerElement whole, tbs, element;
    if (!ReadDerElement(certificate, kTagSequence, whole) || !ReadDerElement(whole.contents, kTagSequence, tbs)) {
        return false;
    }
    ByteReader& fields = tbs.contents;
    // TBSCertificate ::= SEQUENCE { version [0] EXPLICIT Version DEFAULT v1,
    if (AtTag(fields, kTagCertificateVersion) && !ReadDerElement(fields, element)) return false;
    //   serialNumber CertificateSerialNumber,
    if (!ReadDerElement(fields, kTagInteger, element)) return false;
    serialNumber = element.contents;
    //   signature AlgorithmIdentifier, issuer Name, ... }
    if (!ReadDerElement(fields, kTagSequence, element) || !ReadDerElement(fields, kTagSequence, element)) return false;
    issuer = element.whole;
    return true;
}

bool IsTheSigners(ByteReader certificate, const SignerInfoView& signer) {
    if (signer.byKeyIdentifier) {
        ByteReader keyIdentifier;
        return cert::FindExtensionContent(certificate.data(), certificate.remaining(), cert::kSubjectKeyId,
                                          keyIdentifier) == cert::ExtensionSearch::Found &&
               SameBytes(keyIdentifier, signer.keyIdentifier);
    }
    ByteReader issuer, serialNumber;
    return ReadIssuerAndSerial(certificate, issuer, serialNumber) && SameBytes(issuer, signer.issuer) &&
           SameBytes(serialNumber, signer.serialNumber);
}

}  // namespace

ByteReader SignedMessageView::content() const {
    return contentJoined ? ByteReader(joinedContent.data(), joinedContent.size()) : contentView;
}

bool ReadSignedMessage(ByteReader der, SignedMessageView& message) {
    message = SignedMessageView();
    // ContentInfo ::= SEQUENCE {
    //   contentType ContentType (signedData),
    //   content [0] EXPLICIT SignedData }
    DerElement contentInfo, explicitContent, signedData;
    ByteReader type;
    if (!ReadBerElement(der, kTagSequence, contentInfo) || !der.empty()) return false;
    ByteReader& fields = contentInfo.contents;
    if (!ReadOid(fields, type) || !SameBytes(type, kSignedData)) return false;
    if (!ReadBerElement(fields, kTagContext0, explicitContent) || !fields.empty()) return false;
    if (!ReadBerElement(explicitContent.contents, kTagSequence, signedData) || !explicitContent.contents.empty()) {
        return false;
    }
    return ReadSignedData(signedData.contents, message);
}

bool FindSignerCertificate(const SignedMessageView& message, const SignerInfoView& signer, ByteReader& certificate) {
    for (const ByteReader& candidate : message.certificates) {
        if (IsTheSigners(candidate, signer)) {
            certificate = candidate;
            return true;
        }
    }
    return false;
}

}  // namespace vemo::verify
