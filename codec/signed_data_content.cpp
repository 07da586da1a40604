#include "codec/signed_data_content.h"

#include <iterator>

#include "codec/der_element.h"
#include "codec/der_tags.h"

namespace vemo::codec {
namespace {

constexpr uint8_t kTagExplicit0 = 0xA0;
// eContent [0] EXPLICIT OCTET STRING, empty.
constexpr uint8_t kEmptyContent[] = {kTagExplicit0, 0x02, kTagOctetString, 0x00};

// A tag and its length field, the length in its shortest form.
void AppendHeader(std::vector<uint8_t>& out, uint8_t tag, size_t length) {
    out.push_back(tag);
    if (length < 0x80) {
        out.push_back(static_cast<uint8_t>(length));
        return;
    }
    int bytes = 0;
    for (size_t rest = length; rest != 0; rest >>= 8) ++bytes;
    out.push_back(static_cast<uint8_t>(0x80 + bytes));
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(length >> shift));
}

void Append(std::vector<uint8_t>& out, const ByteReader& bytes) {
    out.insert(out.end(), bytes.data(), bytes.data() + bytes.remaining());
}

}  // namespace

bool PutEmptyContent(ByteReader message, std::vector<uint8_t>& out) {
    ByteReader contentInfo, content, signedData, contentType, version, digestAlgorithms, encapsulated, innerType;
    // ContentInfo ::= SEQUENCE { contentType OBJECT IDENTIFIER, content [0] EXPLICIT SignedData }
    if (!ReadElementTagged(message, kTagSequence, contentInfo) ||
        !ReadWholeElement(contentInfo, kTagObjectId, contentType) ||
        !ReadElementTagged(contentInfo, kTagExplicit0, content) ||
        // SignedData ::= SEQUENCE { version, digestAlgorithms SET, encapContentInfo, ... }
        !ReadElementTagged(content, kTagSequence, signedData) || !ReadWholeElement(signedData, kTagInteger, version) ||
        !ReadWholeElement(signedData, kTagSet, digestAlgorithms) ||
        // EncapsulatedContentInfo ::= SEQUENCE { eContentType, eContent [0] EXPLICIT OCTET STRING OPTIONAL }
        !ReadElementTagged(signedData, kTagSequence, encapsulated) ||
        !ReadWholeElement(encapsulated, kTagObjectId, innerType) || !encapsulated.empty()) {
        return false;
    }
    // From the inside out: the encapsulated content, the SignedData (the rest of it as it was),
    // the explicit tag, the ContentInfo.
    const size_t encapsulatedLength = innerType.remaining() + sizeof kEmptyContent;
    std::vector<uint8_t> inner;
    Append(inner, version);
    Append(inner, digestAlgorithms);
    AppendHeader(inner, kTagSequence, encapsulatedLength);
    Append(inner, innerType);
    inner.insert(inner.end(), std::begin(kEmptyContent), std::end(kEmptyContent));
    Append(inner, signedData);

    std::vector<uint8_t> signedDataElement;
    AppendHeader(signedDataElement, kTagSequence, inner.size());
    signedDataElement.insert(signedDataElement.end(), inner.begin(), inner.end());
    std::vector<uint8_t> body;
    Append(body, contentType);
    AppendHeader(body, kTagExplicit0, signedDataElement.size());
    body.insert(body.end(), signedDataElement.begin(), signedDataElement.end());

    out.clear();
    AppendHeader(out, kTagSequence, body.size());
    out.insert(out.end(), body.begin(), body.end());
    return true;
}

}  // namespace vemo::codec
