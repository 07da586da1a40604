#include "codec/certificate_text.h"

#include <cstring>
#include <string>

#include "codec/base64.h"
#include "codec/pem.h"

namespace vemo::codec {
namespace {

// The text's length, or kCertificateTextMax + 1 for any longer text (read no further).
size_t BoundedLength(const char* text) {
    size_t length = 0;
    while (length <= kCertificateTextMax && text[length] != '\0') ++length;
    return length;
}

}  // namespace

TextStep NormaliseAndDecode(char* text, size_t workBufferSize, DerBlock& der) {
    der.length = 0;
    const int normalised =
        workBufferSize == 0 ? MoveRedunStrFormPemCert(text) : MoveRedunStrFormPemCert(text, workBufferSize);
    if (normalised != 0) return TextStep::NotRecognised;
    const size_t length = std::strlen(text);
    if (length > UINT32_MAX) return TextStep::NotDecodable;
    uint32_t decoded = 0;
    if (R_DecodePEMBlock(der.bytes, sizeof der.bytes, &decoded, text, static_cast<uint32_t>(length)) != 0) {
        return TextStep::NotDecodable;
    }
    der.length = decoded;
    return TextStep::Ok;
}

TextStep CertificateTextToDer(char* text, const TextPolicy& policy, DerBlock& der) {
    der.length = 0;
    const size_t length = BoundedLength(text);
    if (length > kCertificateTextMax) return TextStep::TooLong;
    if (policy.inPlace) return NormaliseAndDecode(text, policy.workBufferSize, der);

    char copy[kCertificateTextMax + 1];
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return NormaliseAndDecode(copy, policy.workBufferSize, der);
}

TextStep BoundedTextToDer(uint8_t* text, size_t length, const TextPolicy& policy, DerBlock& der) {
    der.length = 0;
    if (length > kCertificateTextMax) return TextStep::TooLong;
    char copy[kCertificateTextMax + 1];
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    const TextStep step = NormaliseAndDecode(copy, policy.workBufferSize, der);
    if (policy.inPlace && step != TextStep::NotRecognised) {
        const size_t normalised = std::strlen(copy);
        std::memcpy(text, copy, normalised < length ? normalised + 1 : length);
        if (step == TextStep::Ok) std::memcpy(text, der.bytes, der.length < length ? der.length : length);
    }
    return step;
}

TextStep TextToDer(const uint8_t* text, size_t length, std::vector<uint8_t>& der) {
    der.clear();
    std::string copy(reinterpret_cast<const char*>(text), length);  // and its terminator
    if (MoveRedunStrFormPemCert(copy.data()) != 0) return TextStep::NotRecognised;
    const size_t normalised = std::strlen(copy.c_str());
    if (normalised > UINT32_MAX) return TextStep::NotDecodable;
    der.resize(Base64DecodedCapacity(normalised));
    uint32_t decoded = 0;
    if (R_DecodePEMBlock(der.data(), der.size(), &decoded, copy.c_str(), static_cast<uint32_t>(normalised)) != 0) {
        der.clear();
        return TextStep::NotDecodable;
    }
    der.resize(decoded);
    return TextStep::Ok;
}

}  // namespace vemo::codec
