// What the revocation list check reads besides the certificate: its mode text and the list
// file, DER or text by the file's first byte. Portable (no windows.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "codec/certificate_text.h"

namespace vemo::validate {

// The mode text as a decimal integer: leading white space skipped, an optional sign, digits up
// to the first other character; no digits reads as 0. Values beyond the int range stay at its
// ends instead of wrapping (so no long digit string ever reads as a valid mode).
int ReadDecimal(const char* text);

// The list file is read in blocks of this many bytes, until a block comes back short.
inline constexpr size_t kCrlFileBlock = 4096;

enum class FileRead {
    Ok,
    NotOpened,  // fopen failed
    Empty,      // no byte could be read
    NotRead,    // a read error, or more than the memory or the platform's lengths take
};

// Reads the whole file named by `path` ("rb", blocks of kCrlFileBlock bytes until a short
// read) into `contents`; contents.c_str() is then also the file's text.
FileRead ReadCrlFile(const char* path, std::string& contents);

// The list's DER bytes within `contents` or `scratch`.
struct CrlDer {
    const uint8_t* bytes = nullptr;
    size_t length = 0;
};

// The list's DER: the file's own bytes when its first byte is '0' (0x30, the DER SEQUENCE tag);
// otherwise its text (up to the first zero byte), normalised in place and decoded into
// `scratch`. Returns Ok, NotRecognised or NotDecodable (also for text that decodes to more than
// codec::kDerBlockMax bytes).
codec::TextStep CrlFileToDer(std::string& contents, codec::DerBlock& scratch, CrlDer& der);

}  // namespace vemo::validate
