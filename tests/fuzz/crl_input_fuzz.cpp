// Any bytes as the revocation list check's mode text and as its list file: the mode reads as the
// C library reads a decimal number, clamped to the int range; the list's DER is the file itself
// (DER by its first byte) or at most one block decoded from its text.
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "validate/crl_input.h"

using namespace vemo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);

    const long long reference = std::strtoll(input.c_str(), nullptr, 10);
    const int expected = reference > INT_MAX ? INT_MAX : reference < INT_MIN ? INT_MIN : static_cast<int>(reference);
    FUZZ_CHECK(validate::ReadDecimal(input.c_str()) == expected);

    std::string contents = input;
    codec::DerBlock scratch;
    validate::CrlDer der;
    const codec::TextStep step = validate::CrlFileToDer(contents, scratch, der);
    if (size != 0 && data[0] == '0') {
        FUZZ_CHECK(step == codec::TextStep::Ok);
        FUZZ_CHECK(der.bytes == reinterpret_cast<const uint8_t*>(contents.data()) && der.length == size);
    } else if (step == codec::TextStep::Ok) {
        FUZZ_CHECK(der.bytes == scratch.bytes && der.length == scratch.length && der.length <= codec::kDerBlockMax);
    } else {
        FUZZ_CHECK(der.bytes == nullptr && der.length == 0);
    }
    return 0;
}
