// Any text through the normaliser, in both work buffer sizes, then the decoder; any bytes
// straight into the decoder; and the same text through the certificate text-in path with every
// edition's policy, as a terminated caller text and as bytes with a length only. What decodes
// must encode and decode back to the same bytes, and the text-in path must agree with the steps
// it is made of and never write outside the caller's text.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "codec/base64.h"
#include "codec/certificate_text.h"
#include "codec/pem.h"
#include "fuzz_check.h"

using namespace vemo::codec;

namespace {

// Exact-size heap blocks, so AddressSanitizer sees any access beside them.
std::unique_ptr<uint8_t[]> exactBlock(size_t size) { return std::make_unique<uint8_t[]>(size); }

// Decodes `length` characters at `text` into an exact-size block; true with the bytes when it
// decodes.
bool decode(const char* text, size_t length, std::vector<uint8_t>& bytes) {
    const size_t capacity = Base64DecodedCapacity(length);
    auto out = exactBlock(capacity);
    uint32_t count = 0;
    if (R_DecodePEMBlock(out.get(), capacity, &count, text, static_cast<uint32_t>(length)) != 0)
        return false;
    FUZZ_CHECK(count <= capacity);
    bytes.assign(out.get(), out.get() + count);
    return true;
}

void checkRoundTrip(const std::vector<uint8_t>& bytes) {
    const size_t length = Base64EncodedLength(bytes.size());
    auto text = exactBlock(length);
    uint32_t count = 0;
    FUZZ_CHECK(EncodeBase64Block(reinterpret_cast<char*>(text.get()), length, &count, bytes.data(),
                                 static_cast<uint32_t>(bytes.size())) == 0);
    FUZZ_CHECK(count == length);
    std::vector<uint8_t> again;
    FUZZ_CHECK(decode(reinterpret_cast<const char*>(text.get()), count, again));
    FUZZ_CHECK(again == bytes);
}

// The certificate text-in path with one edition's policy: the caller's text (terminated, in a
// block of exactly its size) and the same bytes given with their length only.
void checkTextIn(const uint8_t* data, size_t size, const TextPolicy& policy) {
    auto caller = std::make_unique<char[]>(size + 1);
    std::memcpy(caller.get(), data, size);
    caller[size] = '\0';
    const std::string original(caller.get());
    if (original.empty()) return;  // the exports refuse an empty text before this path
    DerBlock der;
    const TextStep step = CertificateTextToDer(caller.get(), policy, der);
    FUZZ_CHECK(step == TextStep::Ok || der.length == 0);
    FUZZ_CHECK(der.length <= kDerBlockMax);
    if (!policy.inPlace || step == TextStep::TooLong) FUZZ_CHECK(original == caller.get());
    if (original.size() > kCertificateTextMax) FUZZ_CHECK(step == TextStep::TooLong);

    auto bounded = exactBlock(size);
    if (size != 0) std::memcpy(bounded.get(), data, size);
    DerBlock boundedDer;
    const TextStep boundedStep = BoundedTextToDer(bounded.get(), size, policy, boundedDer);
    FUZZ_CHECK(boundedStep == TextStep::Ok || boundedDer.length == 0);
    if (!policy.inPlace) FUZZ_CHECK(size == 0 || std::memcmp(bounded.get(), data, size) == 0);
    // Without a zero byte inside, both forms are the same text.
    if (std::memchr(data, 0, size) == nullptr) {
        FUZZ_CHECK(boundedStep == step);
        FUZZ_CHECK(boundedDer.length == der.length && std::memcmp(boundedDer.bytes, der.bytes, der.length) == 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (const TextPolicy& policy : {TextPolicy{false, 0}, TextPolicy{true, 0}, TextPolicy{true, kPickerPemWorkBufferSize}}) {
        checkTextIn(data, size, policy);
    }

    // The input as a decoder argument: bytes that need no terminator.
    auto raw = exactBlock(size);
    if (size != 0) std::memcpy(raw.get(), data, size);
    std::vector<uint8_t> bytes;
    if (decode(reinterpret_cast<const char*>(raw.get()), size, bytes)) checkRoundTrip(bytes);

    // The input as caller text: zero-terminated, in a block of exactly its size.
    auto text = std::make_unique<char[]>(size + 1);
    std::memcpy(text.get(), data, size);
    text[size] = '\0';
    const std::string original(text.get());
    auto picker = std::make_unique<char[]>(size + 1);
    std::memcpy(picker.get(), text.get(), size + 1);

    const int result = MoveRedunStrFormPemCert(text.get());
    const int pickerResult = MoveRedunStrFormPemCert(picker.get(), kPickerPemWorkBufferSize);
    if (original.size() >= kPickerPemWorkBufferSize) {
        FUZZ_CHECK(pickerResult == -1 && original == picker.get());
    } else {
        FUZZ_CHECK(pickerResult == result && std::strcmp(picker.get(), text.get()) == 0);
    }
    if (result != 0) {
        FUZZ_CHECK(result == -1 && original == text.get());
        return 0;
    }
    const size_t normalisedLength = std::strlen(text.get());
    FUZZ_CHECK(normalisedLength <= original.size());
    if (decode(text.get(), normalisedLength, bytes)) checkRoundTrip(bytes);
    return 0;
}
