// Bytes as upper-case hexadecimal text (serial numbers, key bits, extension contents).
#pragma once

#include <cstdint>

namespace vemo::codec {

// Writes two digits per byte, high four bits first, and a terminator into `out`, a buffer of
// `outSize` bytes. Input that does not fit is cut to the first (outSize - 1) / 2 bytes without
// a signal. A buffer size below 1 receives nothing. Returns `out`.
char* BytesToHexStr(const uint8_t* in, int32_t inLength, char* out, int32_t outSize);

}  // namespace vemo::codec
