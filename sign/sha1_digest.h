#pragma once

#include <cstdint>

namespace vemo::sign {

// SHA-1 of `length` bytes, computed in a context over the working container "temporary".
// Writes 20 bytes to `digest` and 20 to `digestLength`.
int32_t Sha1Digest(const uint8_t* data, uint32_t length, uint8_t* digest, uint32_t* digestLength);

}  // namespace vemo::sign
