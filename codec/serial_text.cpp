#include "codec/serial_text.h"

#include <climits>
#include <vector>

#include "codec/byte_order.h"
#include "codec/hex.h"

namespace vemo::codec {
namespace {

std::vector<uint8_t> Ordered(const uint8_t* stored, size_t length, SerialOrder order) {
    std::vector<uint8_t> bytes(stored, stored + length);
    const int32_t count = static_cast<int32_t>(length);
    if (order == SerialOrder::EvenLengthsReversed) ReverseByteArray(bytes.data(), count);
    if (order == SerialOrder::MostSignificantFirst) ReverseBuffer(bytes.data(), count);
    return bytes;
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool SerialToHex(const uint8_t* stored, size_t length, SerialOrder order, char* out, size_t outSize) {
    if (out == nullptr || outSize == 0) return false;
    if (stored == nullptr || length > INT32_MAX / 2) {
        out[0] = '\0';
        return stored == nullptr && length == 0;
    }
    const std::vector<uint8_t> bytes = Ordered(stored, length, order);
    const int32_t size = outSize > INT32_MAX ? INT32_MAX : static_cast<int32_t>(outSize);
    BytesToHexStr(bytes.data(), static_cast<int32_t>(length), out, size);
    return 2 * length < outSize;
}

bool SerialTextMatches(const uint8_t* stored, size_t length, SerialOrder order, size_t bufferSize, const char* text) {
    if (text == nullptr || bufferSize == 0) return false;
    std::vector<char> rendered(bufferSize);
    SerialToHex(stored, length, order, rendered.data(), rendered.size());
    size_t i = 0;
    for (; rendered[i] != '\0' && text[i] != '\0'; ++i)
        if (AsciiUpper(rendered[i]) != AsciiUpper(text[i])) return false;
    return rendered[i] == '\0' && text[i] == '\0';
}

}  // namespace vemo::codec
