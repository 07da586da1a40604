// Any element into an output of any capacity (the first two input bytes), then its contents as
// hex text into a buffer of any size (the third byte), as the certificate information does.
#include <cstring>
#include <initializer_list>
#include <memory>

#include "codec/byte_order.h"
#include "codec/der_content.h"
#include "codec/hex.h"
#include "fuzz_check.h"

using namespace vemo::codec;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const size_t capacity = data[0] | size_t{data[1]} << 8;
    const int32_t hexSize = static_cast<int8_t>(data[2]) * 4;
    const size_t elementSize = size - 3;
    // Exact-size heap blocks, so AddressSanitizer sees any access beside them.
    auto element = std::make_unique<uint8_t[]>(elementSize);
    if (elementSize != 0) std::memcpy(element.get(), data + 3, elementSize);
    auto out = std::make_unique<uint8_t[]>(capacity);

    uint32_t length = 0xFFFFFFFF;
    if (CopyDERContent(element.get(), elementSize, out.get(), capacity, &length) != 0) {
        FUZZ_CHECK(length == 0);
        return 0;
    }
    FUZZ_CHECK(length <= capacity && length + 2 <= elementSize);
    // The contents follow a header of 2, 3, 4 or 6 bytes (tag and length field).
    bool found = false;
    for (size_t header : {2, 3, 4, 6})
        found = found || (header + length <= elementSize &&
                          std::memcmp(out.get(), element.get() + header, length) == 0);
    FUZZ_CHECK(found);

    ReverseByteArray(out.get(), static_cast<int32_t>(length));
    auto hex = std::make_unique<char[]>(hexSize > 0 ? hexSize : 0);
    FUZZ_CHECK(BytesToHexStr(out.get(), static_cast<int32_t>(length), hex.get(), hexSize) ==
               hex.get());
    if (hexSize > 0) FUZZ_CHECK(std::strlen(hex.get()) <= 2 * length);
    return 0;
}
