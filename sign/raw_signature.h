// The raw signature (C_VEMO_SignEx): the record cleared, the data checked, then the edition's
// key source makes the signature and fills the record.
#pragma once

#include <cstdint>

#include "CVemoDll_C.h"

namespace vemo::sign {

int32_t SignRaw(int32_t selectionMode, const char* selector, const char* data, int32_t dataLength,
                CVEMO_SIGNATURE_RECORD* record);

// The edition's key source, given data already checked and a record already cleared: the
// token's key container in the token and trace editions (sign/token_signature.cpp), a personal
// store certificate in the picker edition (picker/personal_signature.cpp). The record is
// filled only when the signature has been made.
int32_t SignWithEditionKey(int32_t selectionMode, const char* selector, const uint8_t* data, uint32_t length,
                           uint8_t* record);

}  // namespace vemo::sign
