// One DER element read from a bounded reader: its tag, then its contents (or the whole element)
// as a reader of their own. Lengths are definite, short or long form of one to four bytes; tags
// are single-byte (low tag numbers), as every structure the library walks uses.
#pragma once

#include <cstdint>

#include "codec/byte_reader.h"

namespace vemo::codec {

// Any element: `tag` and `contents`; the reader moves past it.
bool ReadElement(ByteReader& reader, uint8_t& tag, ByteReader& contents);

// An element of the tag `expected`, its contents in `contents`.
bool ReadElementTagged(ByteReader& reader, uint8_t expected, ByteReader& contents);

// An element of the tag `expected`, whole (tag, length field and contents) in `element`.
bool ReadWholeElement(ByteReader& reader, uint8_t expected, ByteReader& element);

// An optional element: when the next tag is `tag`, reads it into `contents` and sets `present`;
// otherwise leaves the reader where it was. False only for an element of that tag that is cut.
bool ReadOptionalElement(ByteReader& reader, uint8_t tag, ByteReader& contents, bool& present);

// The contents of a DER BOOLEAN (one byte): any non-zero byte is true.
bool ReadBooleanContents(ByteReader contents, bool& value);

}  // namespace vemo::codec
