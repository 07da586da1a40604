// The response of a certificate download, read as text into a bounded buffer, and the
// certificate text picked out of it. A response that does not fit is refused, never cut.
#pragma once

#include <cstddef>

namespace vemo::cert {

// The response buffer: a zero-terminated text of at most kResponseTextMax bytes.
inline constexpr size_t kResponseBufferSize = 4096;
inline constexpr size_t kResponseTextMax = kResponseBufferSize - 1;

class ResponseText {
public:
    // Where the next chunk is received, and how much to ask for: one byte more than still fits,
    // so that a response too long to keep shows as one.
    char* receiveAt() { return bytes_ + size_; }
    size_t receiveRoom() const { return sizeof bytes_ - 1 - size_; }

    // Takes `count` bytes received at receiveAt(). False (and the response refused from then on)
    // when the response no longer fits the buffer.
    bool received(size_t count);
    // Copies `count` bytes in, as received() would take them.
    bool append(const char* bytes, size_t count);

    bool refused() const { return refused_; }
    size_t size() const { return size_; }
    // The response as text: it ends at its first zero byte.
    const char* text() const { return bytes_; }

private:
    char bytes_[kResponseBufferSize + 1] = {};
    size_t size_ = 0;
    bool refused_ = false;
};

// The text from the first "-----BEGIN CERTIFICATE-----" to the end of the response text
// (the certificate, its end line and whatever followed), or nullptr when there is none.
const char* FindCertificateText(const char* responseText);

}  // namespace vemo::cert
