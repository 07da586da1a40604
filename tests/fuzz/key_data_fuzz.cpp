// Any bytes as the raw verifications' key data: classified, walked as a certificate, the key
// found decoded and turned into a key blob, both ways: C_VEMO_VerifySign's record (keys of up to
// 4096 bits) and C_VEMO_VerifyData's numbers (1024 to 16384 bits, exponents of up to 32 bits).
// The walk must stay within the bytes it is given and hand back a part of them.
#include <cstring>
#include <memory>

#include "codec/rsa_public_key.h"
#include "fuzz_check.h"
#include "verify/public_key_blob.h"
#include "verify/public_key_data.h"

using namespace vemo;

namespace {

// Within the bytes given.
bool Inside(const codec::ByteReader& part, const uint8_t* data, size_t size) {
    return part.data() >= data && part.data() + part.remaining() <= data + size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0x7FFFFFFF) return 0;
    // An exact-size heap copy, so AddressSanitizer sees any read past the input.
    auto der = std::make_unique<uint8_t[]>(size);
    if (size != 0) std::memcpy(der.get(), data, size);

    codec::ByteReader key;
    const int found = verify::FindPublicKey(der.get(), size, key);
    FUZZ_CHECK(found == 0 || found == -2);
    if (found != 0) return 0;
    if (verify::ClassifyKeyData(der.get(), size) == verify::KeyDataKind::Certificate) {
        FUZZ_CHECK(Inside(key, der.get(), size) && key.remaining() >= 2);
        FUZZ_CHECK(key.data()[0] == 0x30);
    }

    codec::RSA_PUBLIC_KEY record;
    if (codec::d2c_RSA_PUBLIC_KEY(key.data(), static_cast<int32_t>(key.remaining()), &record) == 0) {
        uint8_t blob[verify::kPublicKeyBlobMax];
        const size_t length = verify::MakePubKeyBlob(record, blob);
        FUZZ_CHECK(length == 0 || (length > verify::kPublicKeyBlobHeaderSize && length <= sizeof blob));
    }

    verify::RsaPublicKeyNumbers numbers;
    if (verify::ReadRsaPublicKey(key.data(), key.remaining(), numbers)) {
        FUZZ_CHECK(Inside(numbers.modulus, der.get(), size) && Inside(numbers.exponent, der.get(), size));
        FUZZ_CHECK(numbers.modulus.remaining() >= verify::kModulusBytesMin &&
                   numbers.modulus.remaining() <= verify::kModulusBytesMax && numbers.modulus.data()[0] != 0);
        FUZZ_CHECK(!numbers.exponent.empty() && numbers.exponent.remaining() <= verify::kExponentBytesMax);
        uint8_t blob[verify::kLargestPublicKeyBlob];
        FUZZ_CHECK(verify::MakePubKeyBlob(numbers, blob) ==
                   verify::kPublicKeyBlobHeaderSize + numbers.modulus.remaining());
    }
    return 0;
}
