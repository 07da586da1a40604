// A revocation list file read as the revocation list check reads it: DER when its first byte is
// 0x30, otherwise PEM or bare Base64 text; each failure written down with its message.
#pragma once

#include <cstdint>
#include <vector>

#include "frame/diagnostics.h"

namespace vemo::validate {

// The list's DER in `der`. 0, or E_FILE_OPEN_ERROR (not opened), E_FILE_READ_ERROR (empty or not
// read), E_FAILED (text that is neither armour nor Base64), E_PEM_DECODE_ERROR (Base64 that does
// not decode to at most 4096 bytes), each also traced when `trace` is given. Whether the bytes are a list is the caller's to judge.
int32_t ReadListFile(const char* path, std::vector<uint8_t>& der, TraceBlock* trace = nullptr);

}  // namespace vemo::validate
