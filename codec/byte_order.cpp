#include "codec/byte_order.h"

#include <algorithm>

namespace vemo::codec {

void ReverseBuffer(uint8_t* bytes, int32_t length) {
    if (bytes == nullptr || length <= 0) return;
    std::reverse(bytes, bytes + length);
}

int ReverseByteArray(uint8_t* bytes, int32_t length) {
    if (length % 2 != 0) return -1;
    ReverseBuffer(bytes, length);
    return 1;
}

}  // namespace vemo::codec
