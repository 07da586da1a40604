// The response reader of the certificate download: the first byte cuts the rest into received
// chunks of its size; a response that fits is kept whole, a larger one cut to what fits, and
// the certificate text found lies within the kept text (a whole block of a cut one).
#include <algorithm>
#include <cstring>
#include <string>

#include "cert/http_response.h"
#include "fuzz_check.h"

using namespace vemo::cert;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const size_t chunk = data[0] == 0 ? 1 : data[0] * 17;  // chunks of 17 to 4335 bytes
    const char* body = reinterpret_cast<const char*>(data + 1);
    const size_t bodySize = size - 1;

    // As the download's receive loop: each chunk no larger than the room it is offered.
    ResponseText response;
    for (size_t at = 0; at < bodySize;) {
        const size_t count = std::min({chunk, bodySize - at, response.receiveRoom()});
        FUZZ_CHECK(count > 0);
        std::memcpy(response.receiveAt(), body + at, count);
        at += count;
        if (!response.received(count)) break;
    }
    const size_t kept = std::min(bodySize, kResponseTextMax);
    FUZZ_CHECK(response.cut() == (bodySize > kResponseTextMax) && response.size() == kept);
    FUZZ_CHECK(kept == 0 || std::memcmp(response.text(), body, kept) == 0);

    const size_t textLength = std::strlen(response.text());
    FUZZ_CHECK(textLength <= kept);
    const CertificateText found = FindCertificateText(response);
    if (found.start != nullptr) {
        FUZZ_CHECK(found.start >= response.text() && found.start + found.length <= response.text() + textLength);
        FUZZ_CHECK(std::strncmp(found.start, "-----BEGIN CERTIFICATE-----", 27) == 0);
        FUZZ_CHECK(response.cut() ? std::string(found.start, found.length).rfind("-----END CERTIFICATE-----") ==
                                        found.length - 25
                                  : found.start + found.length == response.text() + textLength);
    } else if (!response.cut()) {
        FUZZ_CHECK(std::string(response.text()).find("-----BEGIN CERTIFICATE-----") == std::string::npos);
    }
    return 0;
}
