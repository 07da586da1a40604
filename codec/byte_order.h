// Turning integers between the platform's order (least significant byte first) and the order
// of DER and of the library's outputs (most significant byte first).
#pragma once

#include <cstdint>

namespace vemo::codec {

// Reverses the first `length` bytes in place; a length of 0 or below changes nothing.
void ReverseBuffer(uint8_t* bytes, int32_t length);

// Reverses the `length` bytes in place and returns 1; for an odd length (negative ones
// included) returns -1 and leaves the bytes as they are.
int ReverseByteArray(uint8_t* bytes, int32_t length);

}  // namespace vemo::codec
