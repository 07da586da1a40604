// Any bytes as an RSAPublicKey, and through the SEQUENCE and INTEGER readers beneath it.
// LeakSanitizer checks that every list and item is released.
#include <cstring>
#include <memory>

#include "codec/der.h"
#include "codec/rsa_public_key.h"
#include "fuzz_check.h"

using namespace vemo::codec;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0x7FFFFFFF) return 0;
    // An exact-size heap copy, so AddressSanitizer sees any read past the input.
    auto der = std::make_unique<uint8_t[]>(size);
    if (size != 0) std::memcpy(der.get(), data, size);
    const auto length = static_cast<uint32_t>(size);

    RSA_PUBLIC_KEY key;
    if (d2c_RSA_PUBLIC_KEY(der.get(), static_cast<int32_t>(size), &key) == 0)
        FUZZ_CHECK(key.bits == 512 || key.bits == 1024 || key.bits == 2048 || key.bits == 4096);

    DER_NODE* head = nullptr;
    if (d2c_SEQUENCE(length, der.get(), &head) == 0) {
        size_t total = 0;
        for (const DER_NODE* node = head; node != nullptr; node = node->next) {
            FUZZ_CHECK(node->item.length >= 2 && node->item.data != nullptr);
            total += node->item.length;
        }
        FUZZ_CHECK(total <= size);
    } else {
        FUZZ_CHECK(head == nullptr);
    }
    FUZZ_CHECK(FreeDerList(head) == 0);

    DER_ITEM item;
    InitDerItem(&item);
    if (d2c_INTEGER(length, der.get(), &item) == 0) FUZZ_CHECK(item.length + 2 <= size);
    FUZZ_CHECK(FreeDerItem(&item) == 0);
    return 0;
}
