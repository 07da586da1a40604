// The encapsulated content of a signed message as the library hands one out: an attached message
// of empty data carries its content, an empty OCTET STRING, which a signer may leave out (a message
// without it reads as detached). Portable (no windows.h).
#pragma once

#include <cstdint>
#include <vector>

#include "codec/byte_reader.h"

namespace vemo::codec {

// `message` (ContentInfo of a SignedData, DER) with "[0] { OCTET STRING {} }" put into its
// encapsulated content when that has none, in `out`; the lengths around it grow, nothing else
// changes (the signature is over the signed attributes or the content's digest, not over this
// encoding). True when the content was put in; false, `out` untouched, when the message carries
// content already or cannot be read as far.
bool PutEmptyContent(ByteReader message, std::vector<uint8_t>& out);

}  // namespace vemo::codec
