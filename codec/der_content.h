// The contents of one DER element, without its tag and length field: for an extension value
// that is an OCTET STRING the inner value, for a SEQUENCE its elements, inner tags included.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vemo::codec {

// Copies the contents of the element at `element` (`elementSize` bytes readable) into `out`
// and sets `*outLength` to their count. The tag is not examined; the length field is short or
// 0x81, 0x82 or 0x84 with one, two or four length bytes, and any other first length byte is
// the length itself. The first four bytes of `out` (as many as it holds) are cleared first.
// Returns 0, or 1 with `*outLength` 0 when an argument is null, the element is cut short or its
// contents do not fit `outCapacity`; nothing is then copied.
int CopyDERContent(const uint8_t* element, size_t elementSize, uint8_t* out, size_t outCapacity,
                   uint32_t* outLength);

}  // namespace vemo::codec
