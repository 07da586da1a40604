// A signed message as a caller gives it: DER (its first byte the SEQUENCE tag), or text: Base64 in
// "-----BEGIN PKCS7-----" or "-----BEGIN CMS-----" armour, or bare, with line breaks and blanks
// anywhere and zero bytes after it (a text's terminator counted in its length). And a message as
// the library hands it out as text: "-----BEGIN PKCS7-----", Base64 in lines of 64 characters,
// "-----END PKCS7-----", each line ended by "\n".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "codec/byte_reader.h"

namespace vemo::codec {

// The message's DER: a view of the caller's bytes when they are DER, else of `decoded`, which
// receives the text's bytes. False when the bytes are empty, or text that is not armoured or bare
// Base64 (an armour of another label included).
bool MessageDer(const uint8_t* bytes, size_t size, std::vector<uint8_t>& decoded, ByteReader& der);

// The characters of the text of `derLength` bytes of DER (no terminator), computed in 64 bits.
uint64_t MessageTextLength(uint64_t derLength);

// The text of `derLength` bytes of DER, MessageTextLength(derLength) characters, into `text`
// (replaced). False, `text` empty, when the DER is empty or longer than a Base64 block takes.
bool WriteMessageText(const uint8_t* der, size_t derLength, std::string& text);

}  // namespace vemo::codec
