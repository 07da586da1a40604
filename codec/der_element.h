// One element of a DER walk, read from a bounded reader: its tag, its contents and its complete
// encoding. Lengths are definite (short form, or a long form of one to four bytes); tags are
// single-byte (low tag numbers), as every structure the library walks uses. The BER reading also
// takes the open length that streaming writers give constructed elements (0x80, the contents
// running to an end-of-contents marker 00 00), which signed messages may carry.
#pragma once

#include <cstdint>

#include "codec/byte_reader.h"

namespace vemo::codec {

struct DerElement {
    uint8_t tag = 0;
    ByteReader contents;  // without the tag, the length field and an end-of-contents marker
    ByteReader whole;     // the complete encoding
};

// Open lengths nest at most this deep within one element.
inline constexpr int kBerNestingMax = 32;

// Reads the element at the reader and moves past it. False, the reader unmoved, for a tag whose
// number takes more bytes (0x1F), an open length, or contents past the reader's end.
bool ReadDerElement(ByteReader& reader, DerElement& element);
// The same, only when the element's tag is `tag`.
bool ReadDerElement(ByteReader& reader, uint8_t tag, DerElement& element);

// As ReadDerElement, and a constructed element may have an open length.
bool ReadBerElement(ByteReader& reader, DerElement& element);
bool ReadBerElement(ByteReader& reader, uint8_t tag, DerElement& element);

// Whether the next element's tag is `tag` (nothing read).
bool AtTag(const ByteReader& reader, uint8_t tag);

// The DER walks' shorthands over ReadDerElement:
// any element, its `tag` and `contents`;
bool ReadElement(ByteReader& reader, uint8_t& tag, ByteReader& contents);
// an element of the tag `expected`, its contents in `contents`;
bool ReadElementTagged(ByteReader& reader, uint8_t expected, ByteReader& contents);
// an element of the tag `expected`, whole (tag, length field and contents) in `element`;
bool ReadWholeElement(ByteReader& reader, uint8_t expected, ByteReader& element);
// an optional element: when the next tag is `tag`, reads it into `contents` and sets `present`;
// otherwise leaves the reader where it was. False only for an element of that tag that is cut.
bool ReadOptionalElement(ByteReader& reader, uint8_t tag, ByteReader& contents, bool& present);

// The contents of a DER BOOLEAN (one byte): any non-zero byte is true.
bool ReadBooleanContents(ByteReader contents, bool& value);

}  // namespace vemo::codec
