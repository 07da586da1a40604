#include "sign/hash_signature.h"

#include "codec/byte_order.h"
#include "frame/win_handles.h"

namespace vemo::sign {

HashSignStep SignSha1(HCRYPTPROV context, DWORD keySpec, const uint8_t* data, uint32_t length,
                      SignatureValue& value) {
    value = SignatureValue{};
    win::CryptHash hash;
    if (!CryptCreateHash(context, CALG_SHA1, 0, 0, hash.put())) return HashSignStep::CreateHash;
    static const BYTE kNothing = 0;  // some providers refuse a null pointer even for no bytes
    if (!CryptHashData(hash.get(), data != nullptr ? data : &kNothing, length, 0)) return HashSignStep::HashData;

    DWORD size = 0;
    if (!CryptSignHashA(hash.get(), keySpec, nullptr, 0, nullptr, &size)) return HashSignStep::Length;
    if (size == 0 || size > sizeof value.bytes) return HashSignStep::Length;
    // The provider hands the value out least significant byte first.
    if (!CryptSignHashA(hash.get(), keySpec, nullptr, 0, value.bytes, &size)) return HashSignStep::Sign;
    value.length = size;
    codec::ReverseBuffer(value.bytes, static_cast<int32_t>(size));
    return HashSignStep::Ok;
}

}  // namespace vemo::sign
