// The length field of a DER element, read from a ByteReader positioned just after the tag.
// Two readings are in use: the RSA key reader's, which knows every long form of up to four
// length bytes, and the one of the extension contents and the certificate walk, which knows
// only the long forms 0x81, 0x82 and 0x84 and takes any other first byte as the length itself.
#pragma once

#include <cstdint>

#include "codec/byte_reader.h"

namespace vemo::codec {

// Short form (a byte below 0x80 is the length) or long form (0x80 + n, then n bytes of length,
// most significant first, n from 0 to 4). False for n above 4 or when the field runs past the
// reader's end.
bool ReadDerLength(ByteReader& reader, uint32_t& length);

// 0x81, 0x82 or 0x84, then one, two or four bytes of length; any other byte is the length.
// False when the field runs past the reader's end.
bool ReadDerLengthThreeLongForms(ByteReader& reader, uint32_t& length);

}  // namespace vemo::codec
