// Any bytes as the raw verification's key data: classified, walked as a certificate, the key
// found decoded and turned into a key blob. The walk must stay within the bytes it is given
// and hand back a part of them.
#include <cstring>
#include <memory>

#include "codec/rsa_public_key.h"
#include "fuzz_check.h"
#include "verify/public_key_blob.h"
#include "verify/public_key_data.h"

using namespace vemo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0x7FFFFFFF) return 0;
    // An exact-size heap copy, so AddressSanitizer sees any read past the input.
    auto der = std::make_unique<uint8_t[]>(size);
    if (size != 0) std::memcpy(der.get(), data, size);

    codec::ByteReader key(der.get(), size);
    if (verify::ClassifyKeyData(der.get(), size) == verify::KeyDataKind::Certificate) {
        codec::ByteReader found;
        const int walked = verify::GetUsrDERPubKey(der.get(), size, found);
        FUZZ_CHECK(walked == 0 || walked == -2);
        if (walked != 0) return 0;
        FUZZ_CHECK(found.data() >= der.get() && found.remaining() >= 2);
        FUZZ_CHECK(found.data() + found.remaining() <= der.get() + size);
        FUZZ_CHECK(found.data()[0] == 0x30);
        key = found;
    }
    codec::RSA_PUBLIC_KEY record;
    if (codec::d2c_RSA_PUBLIC_KEY(key.data(), static_cast<int32_t>(key.remaining()), &record) != 0) return 0;
    uint8_t blob[verify::kPublicKeyBlobMax];
    const size_t length = verify::MakePubKeyBlob(record, blob);
    FUZZ_CHECK(length == 0 || (length > verify::kPublicKeyBlobHeaderSize && length <= sizeof blob));
    return 0;
}
