// The library's own reading of a signed message: a ContentInfo holding a SignedData, its content,
// its certificates and its signers with their signed attributes, as views into the message's
// bytes. The platform's message decoder cannot be relied on for this (under Wine it reads no
// message of two signers, and no platform compares the signed message digest with the content for
// us), so the verification reads the message here and leaves only the signature arithmetic to
// the platform. Portable: every step goes through a bounded ByteReader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codec/byte_reader.h"

namespace vemo::verify {

struct SignerInfoView {
    // Who signed: the issuer (the Name, whole) and serial number (the INTEGER's contents) of the
    // signer's certificate, or the subject key identifier of it.
    codec::ByteReader issuer;
    codec::ByteReader serialNumber;
    bool byKeyIdentifier = false;
    codec::ByteReader keyIdentifier;

    codec::ByteReader digestAlgorithm;  // contents of the OBJECT IDENTIFIER

    // The signed attributes, whole: the signature is over their DER with the tag of a SET (0x31)
    // in place of their own [0]. Of them, the values of the content type (contents of the OBJECT
    // IDENTIFIER) and of the message digest (contents of the OCTET STRING), where present.
    bool hasSignedAttributes = false;
    codec::ByteReader signedAttributes;
    bool hasContentType = false;
    codec::ByteReader contentType;
    bool hasMessageDigest = false;
    codec::ByteReader messageDigest;

    codec::ByteReader signatureAlgorithm;  // contents of the OBJECT IDENTIFIER
    codec::ByteReader signature;           // most significant byte first
};

struct SignedMessageView {
    codec::ByteReader contentType;  // eContentType: contents of the OBJECT IDENTIFIER
    bool attached = false;          // the content is carried inside (else it is detached)
    std::vector<codec::ByteReader> certificates;  // each whole
    std::vector<SignerInfoView> signers;

    // The content of an attached message: a view into the message, or the pieces of a content
    // written in several pieces (streamed) joined into one.
    codec::ByteReader content() const;

    // Set by the reader.
    codec::ByteReader contentView;
    bool contentJoined = false;
    std::vector<uint8_t> joinedContent;
};

// Reads the message that fills `der` exactly. False when it is no signed message, or is cut short
// or malformed anywhere the reader goes (a content-type or message-digest attribute given twice, or
// with other than one value, included). A message without signers is read (it says nothing).
bool ReadSignedMessage(codec::ByteReader der, SignedMessageView& message);

// The first certificate the message carries that is the signer's (its issuer and serial number,
// or its subject key identifier, are the ones the signer names). False when it carries none.
bool FindSignerCertificate(const SignedMessageView& message, const SignerInfoView& signer,
                           codec::ByteReader& certificate);

}  // namespace vemo::verify
