#include "sign/hash_signature.h"
#include "frame/failure_code.h"

#include <algorithm>

namespace vemo::sign {
namespace {

// The signature in a hash object of its own; `error` is the failed call's, taken before the
// hash object is destroyed (which may set another).
HashSignStep SignWithHashObject(HCRYPTPROV context, DWORD keySpec, ALG_ID algorithm, const uint8_t* data,
                                uint32_t length, size_t maximum, std::vector<uint8_t>& value, DWORD& error) {
    const auto failed = [&error](HashSignStep step) {
        error = LastFailureCode();
        return step;
    };
    win::CryptHash hash;
    if (const HashSignStep step = HashData(context, algorithm, data, length, hash); step != HashSignStep::Ok) {
        return failed(step);
    }
    DWORD size = 0;
    if (!CryptSignHashA(hash.get(), keySpec, nullptr, 0, nullptr, &size)) return failed(HashSignStep::Length);
    if (size == 0 || size > maximum) {
        error = static_cast<DWORD>(NTE_BAD_LEN);
        return HashSignStep::Length;
    }
    value.resize(size);
    // The provider hands the value out least significant byte first.
    if (!CryptSignHashA(hash.get(), keySpec, nullptr, 0, value.data(), &size)) return failed(HashSignStep::Sign);
    if (size > value.size()) {
        error = static_cast<DWORD>(NTE_BAD_LEN);
        return HashSignStep::Sign;
    }
    value.resize(size);
    std::reverse(value.begin(), value.end());
    return HashSignStep::Ok;
}

}  // namespace

HashSignStep HashData(HCRYPTPROV context, ALG_ID algorithm, const uint8_t* data, uint32_t length,
                      win::CryptHash& hash) {
    if (!CryptCreateHash(context, algorithm, 0, 0, hash.put())) return HashSignStep::CreateHash;
    static const BYTE kNothing = 0;  // some providers refuse a null pointer even for no bytes
    if (!CryptHashData(hash.get(), data != nullptr ? data : &kNothing, length, 0)) return HashSignStep::HashData;
    return HashSignStep::Ok;
}

HashSignStep SignDigestOf(HCRYPTPROV context, DWORD keySpec, ALG_ID algorithm, const uint8_t* data, uint32_t length,
                          size_t maximum, std::vector<uint8_t>& value) {
    value.clear();
    DWORD error = 0;
    const HashSignStep step = SignWithHashObject(context, keySpec, algorithm, data, length, maximum, value, error);
    if (step != HashSignStep::Ok) {
        value.clear();
        SetLastError(error);
    }
    return step;
}

}  // namespace vemo::sign
