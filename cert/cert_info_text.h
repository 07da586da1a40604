// The texts of the certificate information that need no platform call: the item number, the
// version, the date form, key identifier hex and the subject alternative name tail.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codec/byte_reader.h"

namespace vemo::cert {

// The output text: at most 1023 characters and a terminator.
inline constexpr size_t kInfoTextSize = 1024;

// The item number of a decimal text: leading blanks, one sign, the digits up to the first
// other character; 0 for a text without digits, and for a number too large to be an item.
int32_t ItemCode(const char* text);

// "V" and the first hexadecimal digit of (version field + 1): "V1" for a version 1 certificate.
void VersionText(uint32_t versionField, char (&text)[kInfoTextSize]);

struct DateTime {
    int year, month, day, hour, minute, second;
};
// Appends "year-month-day-hour-minute-second" (no leading zeros) to the text in `text`, cut
// at the buffer's end.
void AppendDate(const DateTime& date, char (&text)[kInfoTextSize]);

// Upper-case hex of the bytes, cut at 1023 digits (511 bytes).
void HexText(const uint8_t* bytes, size_t count, char (&text)[kInfoTextSize]);

// The subject alternative name's tail: upper-case hex of the last 16 bytes of its contents (all
// of them when there are fewer), zero-terminated. Returns the number of digits.
inline constexpr size_t kAltNameTailDigits = 32;
size_t AltNameTail(codec::ByteReader content, char (&tail)[kAltNameTailDigits + 1]);

}  // namespace vemo::cert
