#include "picker/select_certificate.h"

namespace vemo::picker {

bool SelectCertificateText(cert::Base64Text& text, uint32_t& length) {
    text[0] = '\0';
    length = 0;
    return false;
}

}  // namespace vemo::picker
