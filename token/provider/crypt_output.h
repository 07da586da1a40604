// CryptoAPI's convention for data a call hands back: with no buffer, the call only tells the
// size; with a buffer too small, it fails with ERROR_MORE_DATA and tells the size; nothing is
// ever written past the capacity the caller stated.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace vemo::csp {

// Whether the caller gave a buffer that takes `size` bytes.
inline bool Fits(DWORD size, const BYTE* buffer, const DWORD* length) {
    return buffer != nullptr && *length >= size;
}

// The answer when it does not: the size, and ERROR_MORE_DATA if a buffer was given.
inline DWORD SizeAnswer(DWORD size, const BYTE* buffer, DWORD* length) {
    *length = size;
    return buffer == nullptr ? ERROR_SUCCESS : ERROR_MORE_DATA;
}

inline DWORD CopyOut(const void* data, DWORD size, BYTE* buffer, DWORD* length) {
    if (length == nullptr) return ERROR_INVALID_PARAMETER;
    if (!Fits(size, buffer, length)) return SizeAnswer(size, buffer, length);
    *length = size;
    if (size != 0) std::memcpy(buffer, data, size);
    return ERROR_SUCCESS;
}

inline DWORD CopyOut(const std::vector<uint8_t>& bytes, BYTE* buffer, DWORD* length) {
    return CopyOut(bytes.data(), static_cast<DWORD>(bytes.size()), buffer, length);
}

// A text with its terminating zero.
inline DWORD CopyOut(const std::string& text, BYTE* buffer, DWORD* length) {
    return CopyOut(text.c_str(), static_cast<DWORD>(text.size() + 1), buffer, length);
}

inline DWORD CopyOut(DWORD value, BYTE* buffer, DWORD* length) {
    return CopyOut(&value, sizeof value, buffer, length);
}

}  // namespace vemo::csp
