// Certificate text in: a certificate (or revocation list) given as PEM or bare Base64 text,
// brought to DER in a bounded block. Every export that takes such text goes through here, so
// the limits and the editions' ways with the caller's buffer live in one place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vemo::codec {

// The most text an export takes (characters before the terminator), and the most DER a text
// may decode to.
inline constexpr size_t kCertificateTextMax = 4096;
inline constexpr size_t kDerBlockMax = 4096;

struct DerBlock {
    uint8_t bytes[kDerBlockMax];
    uint32_t length;
};

// How an edition treats the caller's text.
struct TextPolicy {
    // Normalise the caller's own buffer (which then holds the bare Base64 text), or a private
    // copy that leaves the caller's text as it was.
    bool inPlace;
    // 0, or the size of the normaliser's fixed work buffers: a text of this many characters or
    // more is not recognised.
    size_t workBufferSize;
};

// The step that stopped the text, in the order they run.
enum class TextStep {
    Ok,
    TooLong,        // more than kCertificateTextMax characters
    NotRecognised,  // MoveRedunStrFormPemCert refused it (its result is -1)
    NotDecodable,   // R_DecodePEMBlock refused it, or it decodes to more than kDerBlockMax bytes
};

// Normalises the zero-terminated `text` in place and decodes it into `der`.
TextStep NormaliseAndDecode(char* text, size_t workBufferSize, DerBlock& der);

// The caller's zero-terminated, non-empty `text` (read no further than kCertificateTextMax + 1
// characters) to DER, by the edition's policy.
TextStep CertificateTextToDer(char* text, const TextPolicy& policy, DerBlock& der);

// The same for text that comes as `length` bytes with no terminator promised (the raw
// verification's key data): nothing is read or written past them. Normalised in place, the
// bytes end up as the normaliser leaves them (the normalised text, which is never longer, with
// a terminator when it is shorter) and, once decoded, with the DER over their start.
TextStep BoundedTextToDer(uint8_t* text, size_t length, const TextPolicy& policy, DerBlock& der);

// The same for text of any length (the key data of C_VEMO_VerifyData), on a private copy: the
// caller's `length` bytes are only read, and the DER goes to `der`, sized to it. Answers Ok,
// NotRecognised or NotDecodable.
TextStep TextToDer(const uint8_t* text, size_t length, std::vector<uint8_t>& der);

}  // namespace vemo::codec
