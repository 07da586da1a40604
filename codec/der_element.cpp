#include "codec/der_element.h"

#include "codec/der_length.h"

namespace vemo::codec {
namespace {

constexpr uint8_t kConstructed = 0x20;
constexpr uint8_t kOpenLength = 0x80;

bool AtEndOfContents(ByteReader reader) {
    uint8_t first = 0, second = 0;
    return reader.readU8(first) && reader.readU8(second) && first == 0 && second == 0;
}

bool ReadOne(ByteReader& reader, DerElement& element, bool openLengths, int depth) {
    ByteReader rest = reader;
    uint8_t tag = 0, firstLengthByte = 0;
    if (!rest.readU8(tag) || (tag & 0x1F) == 0x1F || !rest.peekU8(firstLengthByte)) return false;
    ByteReader contents;
    if (firstLengthByte == kOpenLength) {
        if (!openLengths || (tag & kConstructed) == 0 || depth >= kBerNestingMax) return false;
        rest.skip(1);
        const ByteReader start = rest;
        // The nested elements, passed one by one, up to the marker at this level.
        while (!AtEndOfContents(rest)) {
            DerElement nested;
            if (!ReadOne(rest, nested, true, depth + 1)) return false;
        }
        contents = ByteReader(start.data(), start.remaining() - rest.remaining());
        rest.skip(2);
    } else {
        uint32_t length = 0;
        if (!ReadDerLength(rest, length) || !rest.readBytes(length, contents)) return false;
    }
    element.tag = tag;
    element.contents = contents;
    element.whole = ByteReader(reader.data(), reader.remaining() - rest.remaining());
    reader = rest;
    return true;
}

}  // namespace

bool ReadDerElement(ByteReader& reader, DerElement& element) { return ReadOne(reader, element, false, 0); }

bool ReadDerElement(ByteReader& reader, uint8_t tag, DerElement& element) {
    return AtTag(reader, tag) && ReadDerElement(reader, element);
}

bool ReadBerElement(ByteReader& reader, DerElement& element) { return ReadOne(reader, element, true, 0); }

bool ReadBerElement(ByteReader& reader, uint8_t tag, DerElement& element) {
    return AtTag(reader, tag) && ReadBerElement(reader, element);
}

bool AtTag(const ByteReader& reader, uint8_t tag) {
    uint8_t next = 0;
    return reader.peekU8(next) && next == tag;
}

bool ReadElement(ByteReader& reader, uint8_t& tag, ByteReader& contents) {
    DerElement element;
    if (!ReadDerElement(reader, element)) return false;
    tag = element.tag;
    contents = element.contents;
    return true;
}

bool ReadElementTagged(ByteReader& reader, uint8_t expected, ByteReader& contents) {
    uint8_t tag = 0;
    return ReadElement(reader, tag, contents) && tag == expected;
}

bool ReadWholeElement(ByteReader& reader, uint8_t expected, ByteReader& element) {
    DerElement read;
    if (!ReadDerElement(reader, expected, read)) return false;
    element = read.whole;
    return true;
}

bool ReadOptionalElement(ByteReader& reader, uint8_t tag, ByteReader& contents, bool& present) {
    present = AtTag(reader, tag);
    return !present || ReadElementTagged(reader, tag, contents);
}

bool ReadBooleanContents(ByteReader contents, bool& value) {
    uint8_t byte = 0;
    if (contents.remaining() != 1 || !contents.readU8(byte)) return false;
    value = byte != 0;
    return true;
}

}  // namespace vemo::codec
