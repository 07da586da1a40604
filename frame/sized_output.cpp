#include "frame/sized_output.h"

#include <cstring>

#include "CVemoDll_C.h"

namespace vemo {
namespace {

// The most a length can tell: one below UINT32_MAX, so that a text's zero fits the count too.
constexpr size_t kLengthMax = UINT32_MAX - 1;

}  // namespace

bool SizedOutput::fits(size_t size) const {
    return buffer_ != nullptr && length_ != nullptr && size <= kLengthMax && need(size) <= *length_;
}

int32_t SizedOutput::check(size_t size) const {
    if (!wanted()) return 1;
    if (length_ == nullptr || size > kLengthMax) return E_FAILED;
    if (fits(size)) return 1;
    *length_ = static_cast<uint32_t>(size);
    return buffer_ == nullptr ? 0 : E_BUFFER_TOO_SMALL;
}

int32_t SizedOutput::put(const void* bytes, size_t size) const {
    if (!wanted()) return 0;
    if (const int32_t answer = check(size); answer != 1) return answer;
    if (size != 0) std::memcpy(buffer_, bytes, size);
    if (kind_ == OutputKind::Text) buffer_[size] = 0;
    *length_ = static_cast<uint32_t>(size);
    return 0;
}

void SizedOutput::tell(size_t size) const {
    if (length_ != nullptr) *length_ = static_cast<uint32_t>(size > kLengthMax ? kLengthMax : size);
}

}  // namespace vemo
