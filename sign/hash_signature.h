// The signature itself, once a key has been found (token container or personal certificate):
// SHA-1 of the data in the key's context, the length asked first, then the value, turned most
// significant byte first. Shared by every edition's raw signature.
#pragma once

#include <cstddef>
#include <cstdint>

#include <windows.h>
#include <wincrypt.h>

#include "sign/signature_record.h"

namespace vemo::sign {

enum class HashSignStep {
    Ok,
    CreateHash,  // no SHA-1 hash object in the key's context
    HashData,
    Length,      // the length query failed, or gave a length the record cannot carry
    Sign,
};

struct SignatureValue {
    uint8_t bytes[SignatureRecordLayout::kValueSize] = {};  // most significant byte first
    uint32_t length = 0;
};

// Signs SHA-1 over `length` bytes of `data` with the key `keySpec` of `context`. A signature
// longer than the record's value field (a key above 2400 bits) is refused at the length query,
// before anything is signed.
HashSignStep SignSha1(HCRYPTPROV context, DWORD keySpec, const uint8_t* data, uint32_t length,
                      SignatureValue& value);

}  // namespace vemo::sign
