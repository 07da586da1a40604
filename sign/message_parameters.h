// The parameter records of the platform's message functions, in the size the library declares
// in their first field: the short form, which ends before the optional fields that newer
// headers may compile in. 68 and 20 bytes on win32; on win64 the same fields with 64-bit
// pointers and their padding.
#pragma once

#include <cstddef>

#include <windows.h>
#include <wincrypt.h>

namespace vemo::sign {

// A record's size when it ends at `endOfLast`: rounded up to the record's alignment.
template <typename Record>
constexpr DWORD ShortFormSize(size_t endOfLast) {
    return static_cast<DWORD>((endOfLast + alignof(Record) - 1) / alignof(Record) * alignof(Record));
}

// CRYPT_SIGN_MESSAGE_PARA up to and with dwInnerContentType.
inline constexpr DWORD kSignMessageParametersSize = ShortFormSize<CRYPT_SIGN_MESSAGE_PARA>(
    offsetof(CRYPT_SIGN_MESSAGE_PARA, dwInnerContentType) + sizeof(DWORD));

// CRYPT_VERIFY_MESSAGE_PARA up to and with pvGetArg.
inline constexpr DWORD kVerifyMessageParametersSize = ShortFormSize<CRYPT_VERIFY_MESSAGE_PARA>(
    offsetof(CRYPT_VERIFY_MESSAGE_PARA, pvGetArg) + sizeof(void*));

}  // namespace vemo::sign
