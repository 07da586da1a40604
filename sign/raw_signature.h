// The raw signature (C_VEMO_SignEx): the record cleared, the data checked, the key chosen
// (sign/signing_key.h), SHA-1 signed and the record filled; and the signature of
// C_VEMO_SignData over the same key choice, any of the four digests, into a sized buffer.
#pragma once

#include <cstdint>

#include "CVemoDll_C.h"

namespace vemo::sign {

int32_t SignRaw(int32_t selectionMode, const char* selector, const char* data, int32_t dataLength,
                CVEMO_SIGNATURE_RECORD* record);

int32_t SignData(uint32_t algorithm, int32_t selectionMode, const char* selector, const uint8_t* data,
                 uint32_t dataLength, uint8_t* signature, uint32_t* signatureLength);

}  // namespace vemo::sign
