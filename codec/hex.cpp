#include "codec/hex.h"

#include <algorithm>

namespace vemo::codec {

char* BytesToHexStr(const uint8_t* in, int32_t inLength, char* out, int32_t outSize) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    if (out == nullptr || outSize < 1) return out;
    const int32_t count = in == nullptr ? 0 : std::clamp(inLength, 0, (outSize - 1) / 2);
    for (int32_t i = 0; i < count; ++i) {
        out[2 * i] = kDigits[in[i] >> 4];
        out[2 * i + 1] = kDigits[in[i] & 0x0F];
    }
    out[2 * count] = '\0';
    return out;
}

}  // namespace vemo::codec
