// The signature itself, once a key has been chosen (a token container or a personal
// certificate): the digest of the data in the key's context, the length asked first, then the
// value, turned most significant byte first. Shared by the raw signature record and the
// signature of C_VEMO_SignData, and the hashing step by the digest and the verification.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <windows.h>
#include <wincrypt.h>

#include "frame/win_handles.h"

namespace vemo::sign {

enum class HashSignStep {
    Ok,
    CreateHash,  // no hash object of the algorithm in the context
    HashData,
    Length,      // the length query failed, or gave a length the caller cannot take
    Sign,
};

// A hash object of `algorithm` in `context` over `length` bytes of `data` (null for none).
HashSignStep HashData(HCRYPTPROV context, ALG_ID algorithm, const uint8_t* data, uint32_t length,
                      win::CryptHash& hash);

// Signs the digest (`algorithm`) of `length` bytes of `data` with the key `keySpec` of
// `context` into `value`, most significant byte first. A signature longer than `maximum` bytes
// is refused at the length query, before anything is signed. On failure the last error is the
// failed call's.
HashSignStep SignDigestOf(HCRYPTPROV context, DWORD keySpec, ALG_ID algorithm, const uint8_t* data, uint32_t length,
                          size_t maximum, std::vector<uint8_t>& value);

}  // namespace vemo::sign
