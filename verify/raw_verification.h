// The raw verification (C_VEMO_VerifySign): a signature record checked against the data and
// the signer's certificate or RSA public key.
#pragma once

#include <cstdint>

#include "CVemoDll_C.h"

namespace vemo::verify {

// The hash selector that chooses MD5; every other value chooses SHA-1.
inline constexpr int32_t kHashSelectorMd5 = 11;
// The most key data taken: what the text and DER buffers hold.
inline constexpr int32_t kKeyDataMax = 4096;

int32_t VerifyRawSignature(uint8_t* keyData, int32_t keyDataLength, int32_t hashSelector, const uint8_t* data,
                           uint32_t dataLength, const CVEMO_SIGNATURE_RECORD* record);

}  // namespace vemo::verify
