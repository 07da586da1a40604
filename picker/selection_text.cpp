#include "picker/selection_text.h"

#include "codec/base64.h"

namespace vemo::picker {

static_assert(codec::Base64EncodedLength(kSelectionCertificateMax) == kSelectionTextMax);

bool SetSelectionText(SelectionText& selection, const uint8_t* der, size_t size) {
    if (der == nullptr || size > kSelectionCertificateMax) return false;
    uint32_t length = 0;
    if (codec::EncodeBase64Block(selection.text, kSelectionTextMax, &length, der, static_cast<uint32_t>(size)) != 0) {
        return false;
    }
    selection.text[length] = '\0';
    selection.length = length;
    return true;
}

}  // namespace vemo::picker
