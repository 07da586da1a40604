// What the path validation reads besides the certificate: the intermediate certificates' text
// and the list of revocation list files. Portable (no windows.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "CVemoDll_C.h"
#include "codec/certificate_text.h"

namespace vemo::validate {

// The most intermediate certificates, and list files, one call takes.
inline constexpr size_t kMaxIntermediates = CVEMO_PATH_INTERMEDIATES_MAX;
inline constexpr size_t kMaxListFiles = CVEMO_PATH_LIST_FILES_MAX;

using Der = std::vector<uint8_t>;

// The certificates of `text`: each "-----BEGIN CERTIFICATE-----" ... "-----END CERTIFICATE-----"
// block (text between blocks is passed over), or, with no block, the whole text as one
// certificate text (bare Base64). Ok (also for an empty text, which holds none), TooLong for more
// than kMaxIntermediates blocks, NotRecognised for a block without its end or text that is no
// certificate text, NotDecodable for Base64 that does not decode to at most 4096 bytes.
codec::TextStep ReadCertificateBlocks(const char* text, std::vector<Der>& certificates);

// The file names of `text`, separated by ';'; empty names are passed over. False for more than
// kMaxListFiles names.
bool ReadListFileNames(const char* text, std::vector<std::string>& names);

}  // namespace vemo::validate
