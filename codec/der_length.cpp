#include "codec/der_length.h"

namespace vemo::codec {

bool ReadDerLength(ByteReader& reader, uint32_t& length) {
    uint8_t first = 0;
    if (!reader.readU8(first)) return false;
    if (first < 0x80) {
        length = first;
        return true;
    }
    const size_t width = first & 0x7F;
    if (width == 0) {
        length = 0;
        return true;
    }
    return reader.readBigEndian(width, length);  // refuses a width above 4
}

bool ReadDerLengthThreeLongForms(ByteReader& reader, uint32_t& length) {
    uint8_t first = 0;
    if (!reader.readU8(first)) return false;
    switch (first) {
        case 0x81: return reader.readBigEndian(1, length);
        case 0x82: return reader.readBigEndian(2, length);
        case 0x84: return reader.readBigEndian(4, length);
        default: length = first; return true;
    }
}

}  // namespace vemo::codec
