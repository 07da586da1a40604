// The digest of the exports from ordinal 20 on (C_VEMO_HashEx): SHA-1 to SHA-512 in a
// verification context of the AES-capable provider, no key container and no lock, into the
// caller's sized buffer.
#pragma once

#include <cstdint>

namespace vemo::sign {

int32_t Digest(uint32_t algorithm, const uint8_t* data, uint32_t length, uint8_t* digest, uint32_t* digestLength);

}  // namespace vemo::sign
