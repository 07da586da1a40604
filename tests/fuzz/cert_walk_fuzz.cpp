// The certificate walk behind the certificate information: any bytes as a certificate, each of
// the three extensions searched, and what was found rendered as the items and the pack show it.
#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "cert/cert_info_text.h"
#include "cert/certificate_extensions.h"
#include "fuzz_check.h"

using namespace vemo::cert;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size heap copy, so AddressSanitizer sees any read beside it.
    auto certificate = std::make_unique<uint8_t[]>(size);
    if (size != 0) std::memcpy(certificate.get(), data, size);
    const uint8_t* end = certificate.get() + size;

    for (ObjectId id : {kSubjectKeyId, kAuthorityKeyId, kSubjectAltName}) {
        vemo::codec::ByteReader content;
        const ExtensionSearch result = FindExtensionContent(certificate.get(), size, id, content);
        if (result != ExtensionSearch::Found) {
            FUZZ_CHECK(content.empty());
            continue;
        }
        FUZZ_CHECK(content.remaining() <= size);
        FUZZ_CHECK(content.remaining() == 0 ||
                   (content.data() >= certificate.get() && content.data() + content.remaining() <= end));

        char text[kInfoTextSize];
        HexText(content.data(), content.remaining(), text);
        FUZZ_CHECK(std::strlen(text) == 2 * std::min<size_t>(content.remaining(), 511));
        char tail[kAltNameTailDigits + 1];
        FUZZ_CHECK(AltNameTail(content, tail) == std::strlen(tail));
        FUZZ_CHECK(std::strlen(tail) == 2 * std::min<size_t>(content.remaining(), 16));
    }
    return 0;
}
