// One property of a certificate as text, and the pack of its subject name fields, serial number
// and subject alternative name tail: the body of C_VEMO_GetCertInfo.
#pragma once

#include <cstdint>

#include "CVemoDll_C.h"

namespace vemo::cert {

int32_t GetCertInfo(char* certText, const char* item, char* infoOut, PackItem* pack);

}  // namespace vemo::cert
