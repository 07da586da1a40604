#include "codec/der_content.h"

#include <algorithm>
#include <cstring>

#include "codec/byte_reader.h"
#include "codec/der_length.h"

namespace vemo::codec {

int CopyDERContent(const uint8_t* element, size_t elementSize, uint8_t* out, size_t outCapacity,
                   uint32_t* outLength) {
    if (out == nullptr || outLength == nullptr) return 1;
    std::memset(out, 0, std::min<size_t>(4, outCapacity));
    *outLength = 0;
    ByteReader reader(element, elementSize);
    uint32_t length = 0;
    // tag, length
    if (!reader.skip(1) || !ReadDerLengthThreeLongForms(reader, length)) return 1;
    // contents
    if (length > outCapacity || !reader.copyTo(out, length)) return 1;
    *outLength = length;
    return 0;
}

}  // namespace vemo::codec
