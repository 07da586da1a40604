#pragma once

#include <cstdint>

namespace vemo::sign {

// `length` random bytes from the default provider; the token editions fall back to the
// token's generator when the provider cannot be opened.
int32_t GenerateRandom(uint8_t* buffer, uint32_t length);

}  // namespace vemo::sign
