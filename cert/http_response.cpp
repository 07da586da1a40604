#include "cert/http_response.h"

#include <algorithm>
#include <cstring>

#include "codec/one_line_pem.h"

namespace vemo::cert {

bool ResponseText::received(size_t count) {
    if (cut_) return false;
    if (count > receiveRoom() || size_ + count > kResponseTextMax) {
        cut_ = true;
        size_ = kResponseTextMax;
        bytes_[size_] = '\0';
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

CertificateText FindCertificateText(const ResponseText& response) {
    const char* begin = std::strstr(response.text(), codec::kPemBeginCertificate);
    if (begin == nullptr) return {};
    if (!response.cut()) return {begin, std::strlen(begin)};
    const char* end = std::strstr(begin + std::strlen(codec::kPemBeginCertificate), codec::kPemEndCertificate);
    if (end == nullptr) return {};
    return {begin, static_cast<size_t>(end - begin) + std::strlen(codec::kPemEndCertificate)};
}

}  // namespace vemo::cert
