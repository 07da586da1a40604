#include "codec/one_line_pem.h"

#include <cstring>
#include <vector>

#include "codec/base64.h"

namespace vemo::codec {

bool WrapOneLinePem(const char* base64, size_t base64Length, char* out, size_t outCapacity, uint32_t* textLength) {
    if ((base64 == nullptr && base64Length != 0) || out == nullptr || textLength == nullptr) return false;
    const size_t length = base64Length + kOneLinePemArmourLength;
    if (length < base64Length || length >= outCapacity || length > UINT32_MAX) return false;

    char* at = out;
    std::memcpy(at, kPemBeginCertificate, sizeof kPemBeginCertificate - 1);
    at += sizeof kPemBeginCertificate - 1;
    if (base64Length != 0) std::memmove(at, base64, base64Length);
    at += base64Length;
    std::memcpy(at, kPemEndCertificate, sizeof kPemEndCertificate - 1);
    at += sizeof kPemEndCertificate - 1;
    *at = '\0';
    *textLength = static_cast<uint32_t>(length);
    return true;
}

bool FormatOneLinePem(const uint8_t* der, uint32_t derLength, char* out, size_t outCapacity, uint32_t* textLength) {
    if (der == nullptr && derLength != 0) return false;
    const uint64_t base64Capacity = Base64EncodedLength(derLength) + 1;
    if (base64Capacity > outCapacity) return false;  // could never fit the armoured text either
    std::vector<char> base64(static_cast<size_t>(base64Capacity));
    uint32_t base64Length = 0;
    if (EncodeBase64Block(base64.data(), base64.size(), &base64Length, der, derLength) != 0) return false;
    return WrapOneLinePem(base64.data(), base64Length, out, outCapacity, textLength);
}

}  // namespace vemo::codec
