// Base64 blocks: the standard alphabet ("A"-"Z", "a"-"z", "0"-"9", "+", "/", pad "="), whole
// groups of four characters, no line breaks, no terminator. Certificates, revocation lists and
// public keys cross the library's interface in this form.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vemo::codec {

// Characters needed for `byteCount` bytes: four per started group of three. Computed in 64 bits,
// so that no input length of a 32-bit build wraps it to a small number.
constexpr uint64_t Base64EncodedLength(uint64_t byteCount) { return (byteCount + 2) / 3 * 4; }
// Bytes that a block of `charCount` characters can carry at most.
constexpr size_t Base64DecodedCapacity(size_t charCount) { return charCount / 4 * 3; }

// Encodes `inLength` bytes into `out` and sets `*outLength` to the count of characters; writes
// no terminator. Returns 0, or 1 (nothing written) when an argument is null or the block would
// not fit `outCapacity`.
int EncodeBase64Block(char* out, size_t outCapacity, uint32_t* outLength, const uint8_t* in,
                      uint32_t inLength);

// Decodes the block of `inLength` characters into `out` and sets `*outLength` to the count of
// bytes. Returns 0, or 1 when the length is not a multiple of four, a character is not allowed
// where it stands ("=" only as the third or fourth character of the last group), an argument
// is null or the bytes would not fit `outCapacity`. On 1 the output length is not written; the
// groups before a faulty character are already in `out`, the bytes after them are unspecified
// (nothing is ever written past the decoded size).
// A last group with "=" as its third character carries one byte, whatever its fourth.
int R_DecodePEMBlock(uint8_t* out, size_t outCapacity, uint32_t* outLength, const char* in,
                     uint32_t inLength);

}  // namespace vemo::codec
