#include "verify/public_key_data.h"

#include "codec/der_length.h"
#include "codec/der_tags.h"

namespace vemo::verify {
namespace {

using codec::ByteReader;

using codec::kTagBitString;
using codec::kTagCertificateVersion;
using codec::kTagInteger;
using codec::kTagSequence;

// The certificate walk's moves, each refused when it would leave the bytes.
class Walk {
public:
    explicit Walk(ByteReader reader) : reader_(reader) {}

    bool at(uint8_t tag) const {
        uint8_t next = 0;
        return reader_.peekU8(next) && next == tag;
    }
    // The expected tag, then its length field (read, its value not used).
    bool passTagAndLength(uint8_t tag) {
        uint32_t unused = 0;
        return at(tag) && reader_.skip(1) && codec::ReadDerLengthThreeLongForms(reader_, unused);
    }
    // The expected tag, a one-byte length n, and n contents bytes.
    bool skipShortElement(uint8_t tag) { return at(tag) && reader_.skip(1) && skipShortContents(); }
    // The expected tag, a length field of the three long forms, and the contents.
    bool skipElement(uint8_t tag) {
        uint32_t length = 0;
        return at(tag) && reader_.skip(1) && codec::ReadDerLengthThreeLongForms(reader_, length) &&
               reader_.skip(length);
    }
    // A one-byte length n and n contents bytes.
    bool skipShortContents() {
        uint8_t length = 0;
        return reader_.readU8(length) && reader_.skip(length);
    }
    bool skip(size_t count) { return reader_.skip(count); }
    void skipZeros() {
        while (at(0x00)) reader_.skip(1);
    }
    // The element that starts here, whole.
    bool takeElement(uint8_t tag, ByteReader& element) {
        ByteReader contents = reader_;
        uint32_t length = 0;
        if (!at(tag) || !contents.skip(1) || !codec::ReadDerLengthThreeLongForms(contents, length)) return false;
        if (length > contents.remaining()) return false;  // (also keeps the sum below from wrapping)
        const size_t header = reader_.remaining() - contents.remaining();
        return reader_.readBytes(header + length, element);
    }

private:
    ByteReader reader_;
};

// The SEQUENCE that fills `reader` exactly, its contents in `contents`.
bool OpenSequence(ByteReader reader, ByteReader& contents) {
    uint8_t tag = 0;
    uint32_t length = 0;
    return reader.readU8(tag) && tag == kTagSequence && codec::ReadDerLength(reader, length) &&
           length == reader.remaining() && reader.readBytes(length, contents);
}

// Passes one INTEGER element.
bool SkipInteger(ByteReader& reader) {
    uint8_t tag = 0;
    uint32_t length = 0;
    return reader.readU8(tag) && tag == kTagInteger && codec::ReadDerLength(reader, length) && reader.skip(length);
}

bool IsRsaPublicKey(const uint8_t* der, size_t size) {
    // RSAPublicKey ::= SEQUENCE { modulus INTEGER, publicExponent INTEGER }
    ByteReader contents;
    return OpenSequence(ByteReader(der, size), contents) && SkipInteger(contents) && SkipInteger(contents) &&
           contents.empty();
}

bool IsCertificate(const uint8_t* der, size_t size) {
    // Certificate ::= SEQUENCE { tbsCertificate TBSCertificate (a SEQUENCE), ... }
    ByteReader reader(der, size);
    uint8_t tag = 0;
    uint32_t length = 0;
    return reader.readU8(tag) && tag == kTagSequence && codec::ReadDerLength(reader, length) &&
           reader.peekU8(tag) && tag == kTagSequence;
}

}  // namespace

int GetUsrDERPubKey(const uint8_t* certificate, size_t size, ByteReader& publicKey) {
    constexpr int kTagMismatch = -2;
    Walk walk{ByteReader(certificate, size)};
    // Certificate ::= SEQUENCE {
    //   tbsCertificate TBSCertificate ::= SEQUENCE {
    if (!walk.passTagAndLength(kTagSequence) || !walk.passTagAndLength(kTagSequence)) return kTagMismatch;
    if (walk.at(kTagInteger)) {
        // serialNumber CertificateSerialNumber (a version 1 certificate has no version field)
        if (!walk.skipShortElement(kTagInteger)) return kTagMismatch;
    } else if (walk.at(kTagCertificateVersion)) {
        // version [0] EXPLICIT Version (A0 03 02 01 vv), the serial number's tag, then its
        // one-byte length and contents
        if (!walk.skip(6) || !walk.skipShortContents()) return kTagMismatch;
    } else {
        return kTagMismatch;
    }
    //     signature AlgorithmIdentifier, issuer Name, validity Validity, subject Name,
    if (!walk.skipShortElement(kTagSequence) || !walk.skipElement(kTagSequence) ||
        !walk.skipShortElement(kTagSequence) || !walk.skipElement(kTagSequence)) {
        return kTagMismatch;
    }
    //     subjectPublicKeyInfo SubjectPublicKeyInfo ::= SEQUENCE {
    //       algorithm AlgorithmIdentifier (any algorithm is taken),
    //       subjectPublicKey BIT STRING (the unused-bits count, then the RSAPublicKey)
    if (!walk.passTagAndLength(kTagSequence) || !walk.skipShortElement(kTagSequence) ||
        !walk.passTagAndLength(kTagBitString)) {
        return kTagMismatch;
    }
    walk.skipZeros();
    return walk.takeElement(kTagSequence, publicKey) ? 0 : kTagMismatch;
}

KeyDataKind ClassifyKeyData(const uint8_t* der, size_t size) {
    if (IsRsaPublicKey(der, size)) return KeyDataKind::RsaPublicKey;
    if (IsCertificate(der, size)) return KeyDataKind::Certificate;
    return size <= kBareKeySizeRule ? KeyDataKind::RsaPublicKey : KeyDataKind::Certificate;
}

int FindPublicKey(const uint8_t* der, size_t size, ByteReader& publicKey) {
    publicKey = ByteReader(der, size);
    if (ClassifyKeyData(der, size) == KeyDataKind::RsaPublicKey) return 0;
    return GetUsrDERPubKey(der, size, publicKey);
}

}  // namespace vemo::verify
