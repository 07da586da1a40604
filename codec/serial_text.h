// Serial text: a certificate's serial number, which the platform keeps least significant byte
// first, as upper-case hexadecimal text. Two rules are in use:
//  - EvenLengthsReversed (the token and trace editions' signature record and the certificate
//    information): the bytes are reversed only when their count is even, so an odd-length
//    serial number comes out in the platform's order (01 02 03 as stored 03 02 01 gives
//    "030201");
//  - MostSignificantFirst (the picker edition's signature record and every lookup by serial
//    number): always most significant byte first, as certificate viewers print it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vemo::codec {

enum class SerialOrder { EvenLengthsReversed, MostSignificantFirst, AsStored };

// Writes the serial number (`length` bytes as the platform stores them) as text and a
// terminator into `out` (`outSize` bytes; the stored bytes are not changed). Returns false when
// the whole text does not fit: `out` then holds the text of as many leading bytes as fit.
bool SerialToHex(const uint8_t* stored, size_t length, SerialOrder order, char* out, size_t outSize);

// Whether `text` names the serial number in the given order, letter case ignored. Only the
// serial's first (bufferSize - 1) / 2 bytes in that order take part, as with a text buffer of
// `bufferSize` bytes.
bool SerialTextMatches(const uint8_t* stored, size_t length, SerialOrder order, size_t bufferSize, const char* text);

}  // namespace vemo::codec
