#include "codec/der_element.h"

#include "codec/der_length.h"

namespace vemo::codec {

bool ReadElement(ByteReader& reader, uint8_t& tag, ByteReader& contents) {
    uint8_t firstLengthByte = 0;
    uint32_t length = 0;
    // 0x1F in the low bits: a multi-byte tag; 0x80 as length: the indefinite form, not DER.
    return reader.readU8(tag) && (tag & 0x1F) != 0x1F && reader.peekU8(firstLengthByte) &&
           firstLengthByte != 0x80 && ReadDerLength(reader, length) && reader.readBytes(length, contents);
}

bool ReadElementTagged(ByteReader& reader, uint8_t expected, ByteReader& contents) {
    uint8_t tag = 0;
    return ReadElement(reader, tag, contents) && tag == expected;
}

bool ReadWholeElement(ByteReader& reader, uint8_t expected, ByteReader& element) {
    const ByteReader start = reader;
    ByteReader contents;
    if (!ReadElementTagged(reader, expected, contents)) return false;
    element = ByteReader(start.data(), start.remaining() - reader.remaining());
    return true;
}

bool ReadOptionalElement(ByteReader& reader, uint8_t tag, ByteReader& contents, bool& present) {
    uint8_t next = 0;
    present = reader.peekU8(next) && next == tag;
    return !present || ReadElementTagged(reader, tag, contents);
}

bool ReadBooleanContents(ByteReader contents, bool& value) {
    uint8_t byte = 0;
    if (contents.remaining() != 1 || !contents.readU8(byte)) return false;
    value = byte != 0;
    return true;
}

}  // namespace vemo::codec
