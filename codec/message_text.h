// A signed message as a caller gives it: DER (its first byte the SEQUENCE tag), or text: Base64 in
// "-----BEGIN PKCS7-----" or "-----BEGIN CMS-----" armour, or bare, with line breaks and blanks
// anywhere and zero bytes after it (a text's terminator counted in its length).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codec/byte_reader.h"

namespace vemo::codec {

// The message's DER: a view of the caller's bytes when they are DER, else of `decoded`, which
// receives the text's bytes. False when the bytes are empty, or text that is not armoured or bare
// Base64 (an armour of another label included).
bool MessageDer(const uint8_t* bytes, size_t size, std::vector<uint8_t>& decoded, ByteReader& der);

}  // namespace vemo::codec
