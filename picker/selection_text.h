// The selection dialog's answer: the chosen certificate as Base64 text (no line breaks,
// zero-terminated) in a text of at most 4096 characters, which holds certificates of at most
// 3072 bytes. A larger certificate is refused rather than cut.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vemo::picker {

inline constexpr size_t kSelectionTextMax = 4096;
inline constexpr size_t kSelectionCertificateMax = kSelectionTextMax / 4 * 3;

struct SelectionText {
    char text[kSelectionTextMax + 1] = {};
    uint32_t length = 0;  // 0: nothing chosen
};

// Puts the Base64 text of `size` bytes of DER into `selection`. False, leaving it unchanged,
// when the certificate is larger than kSelectionCertificateMax (or `der` is null).
bool SetSelectionText(SelectionText& selection, const uint8_t* der, size_t size);

}  // namespace vemo::picker
