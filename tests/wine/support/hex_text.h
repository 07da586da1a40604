// Bytes as hexadecimal text, for comparing outputs with known digests, keys and serials.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vemo::test {

enum class HexCase { Lower, Upper };

inline std::string Hex(const void* bytes, size_t count, HexCase letters = HexCase::Lower) {
    const char* digits = letters == HexCase::Lower ? "0123456789abcdef" : "0123456789ABCDEF";
    const auto* byte = static_cast<const uint8_t*>(bytes);
    std::string text;
    text.reserve(count * 2);
    for (size_t i = 0; i < count; ++i) text += {digits[byte[i] >> 4], digits[byte[i] & 15]};
    return text;
}

inline std::string Hex(const std::vector<uint8_t>& bytes, HexCase letters = HexCase::Lower) {
    return Hex(bytes.data(), bytes.size(), letters);
}

}  // namespace vemo::test
