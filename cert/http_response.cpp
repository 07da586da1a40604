#include "cert/http_response.h"

#include <algorithm>
#include <cstring>

#include "codec/one_line_pem.h"

namespace vemo::cert {

bool ResponseText::received(size_t count) {
    if (refused_ || count > receiveRoom() || size_ + count > kResponseTextMax) {
        refused_ = true;
        std::memset(bytes_, 0, sizeof bytes_);
        size_ = 0;
        return false;
    }
    size_ += count;
    bytes_[size_] = '\0';
    return true;
}

bool ResponseText::append(const char* bytes, size_t count) {
    const size_t copied = std::min(count, receiveRoom());
    if (copied != 0) std::memcpy(receiveAt(), bytes, copied);
    return received(count);
}

const char* FindCertificateText(const char* responseText) {
    return std::strstr(responseText, codec::kPemBeginCertificate);
}

}  // namespace vemo::cert
