// The response of a certificate download, read as text into a bounded buffer, and the
// certificate text picked out of it. A response longer than the buffer is cut to what fits; the
// certificate is then taken only as a whole block within what was kept.
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
    size_t receiveRoom() const { return cut_ ? 0 : sizeof bytes_ - 1 - size_; }

    // Takes `count` bytes received at receiveAt(). False when the response went past the buffer:
    // it is then cut to its first kResponseTextMax bytes and takes nothing more.
    bool received(size_t count);
    // Copies `count` bytes in, as received() would take them.
    bool append(const char* bytes, size_t count);

    bool cut() const { return cut_; }
    size_t size() const { return size_; }
    // The response as text: it ends at its first zero byte.
    const char* text() const { return bytes_; }

private:
    char bytes_[kResponseBufferSize + 1] = {};
    size_t size_ = 0;
    bool cut_ = false;
};

struct CertificateText {
    const char* start = nullptr;  // null: no certificate
    size_t length = 0;
};

// The text from the first "-----BEGIN CERTIFICATE-----" to the end of the response text (the
// certificate, its end line and whatever followed). Of a cut response, whose end is lost, only a
// whole block: from that line to the end of the first "-----END CERTIFICATE-----" after it; none
// when the kept text holds no whole block.
CertificateText FindCertificateText(const ResponseText& response);

}  // namespace vemo::cert
