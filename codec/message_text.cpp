#include "codec/message_text.h"

#include <string>
#include <string_view>

#include "codec/base64.h"

namespace vemo::codec {
namespace {

constexpr uint8_t kTagSequence = 0x30;
constexpr std::string_view kBegin = "-----BEGIN ";
constexpr std::string_view kEnd = "-----END ";
constexpr std::string_view kDashes = "-----";
constexpr std::string_view kLabels[] = {"PKCS7", "CMS"};
constexpr std::string_view kTextBegin = "-----BEGIN PKCS7-----\n";
constexpr std::string_view kTextEnd = "-----END PKCS7-----\n";
constexpr size_t kLineLength = 64;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The Base64 between "-----BEGIN <label>-----" and "-----END <label>-----", the label one of ours,
// or the whole text when it carries no armour. False for an unknown label or a missing end.
bool Body(std::string_view text, std::string_view& body) {
    if (text.substr(0, kBegin.size()) != kBegin) {
        body = text;
        return true;
    }
    for (std::string_view label : kLabels) {
        const std::string begin = std::string(kBegin) + std::string(label) + std::string(kDashes);
        const std::string end = std::string(kEnd) + std::string(label) + std::string(kDashes);
        if (text.substr(0, begin.size()) != begin) continue;
        // The end line closes the text: nothing but blanks after it (trimmed already).
        if (text.size() < begin.size() + end.size() || text.substr(text.size() - end.size()) != end) return false;
        body = text.substr(begin.size(), text.size() - begin.size() - end.size());
        return true;
    }
    return false;
}

}  // namespace

bool MessageDer(const uint8_t* bytes, size_t size, std::vector<uint8_t>& decoded, ByteReader& der) {
    if (bytes == nullptr || size == 0) return false;
    if (bytes[0] == kTagSequence) {
        der = ByteReader(bytes, size);
        return true;
    }
    std::string_view text(reinterpret_cast<const char*>(bytes), size);
    while (!text.empty() && text.back() == '\0') text.remove_suffix(1);
    std::string_view body;
    if (!Body(TrimBlanks(text), body)) return false;

    std::string base64;
    base64.reserve(body.size());
    for (char c : body) {
        if (!IsBlank(c)) base64 += c;
    }
    if (base64.empty() || base64.size() > UINT32_MAX) return false;
    decoded.resize(Base64DecodedCapacity(base64.size()));
    uint32_t length = 0;
    if (R_DecodePEMBlock(decoded.data(), decoded.size(), &length, base64.data(),
                         static_cast<uint32_t>(base64.size())) != 0) {
        return false;
    }
    decoded.resize(length);
    der = ByteReader(decoded.data(), decoded.size());
    return !decoded.empty();
}

uint64_t MessageTextLength(uint64_t derLength) {
    const uint64_t base64 = Base64EncodedLength(derLength);
    const uint64_t lines = (base64 + kLineLength - 1) / kLineLength;
    return kTextBegin.size() + base64 + lines + kTextEnd.size();
}

bool WriteMessageText(const uint8_t* der, size_t derLength, std::string& text) {
    text.clear();
    if (der == nullptr || derLength == 0 || derLength > UINT32_MAX / 4 * 3) return false;
    std::string base64(static_cast<size_t>(Base64EncodedLength(derLength)), '\0');
    uint32_t base64Length = 0;
    if (EncodeBase64Block(base64.data(), base64.size(), &base64Length, der, static_cast<uint32_t>(derLength)) != 0) {
        return false;
    }
    text.reserve(static_cast<size_t>(MessageTextLength(derLength)));
    text += kTextBegin;
    for (size_t at = 0; at < base64Length; at += kLineLength) {
        text.append(base64, at, kLineLength);
        text += '\n';
    }
    text += kTextEnd;
    return true;
}

}  // namespace vemo::codec
