// The path validation's certificate reader and the rules it feeds: any bytes as a certificate,
// then, when they read as one, its names against its own name constraints and the path rules of
// a path in which it issues itself.
#include <cstring>
#include <memory>

#include "CVemoDll_C.h"
#include "fuzz_check.h"
#include "validate/name_constraints.h"
#include "validate/path_certificate.h"
#include "validate/path_rules.h"

using namespace vemo::validate;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size heap copy, so AddressSanitizer sees any read beside it.
    auto bytes = std::make_unique<uint8_t[]>(size);
    if (size != 0) std::memcpy(bytes.get(), data, size);
    PathCertificate certificate;
    if (!ReadPathCertificate(bytes.get(), size, certificate)) return 0;
    FUZZ_CHECK(certificate.parts.subject.remaining() <= size && certificate.nameConstraints.remaining() <= size);
    if (certificate.hasNameConstraints) SatisfiesNameConstraints(certificate, certificate.nameConstraints);
    const CertificatePath path = {&certificate, &certificate};
    for (size_t position = 0; position < path.size(); ++position) {
        const int32_t code = CheckPathRules(path, position);
        FUZZ_CHECK(code == 0 || code == E_PATH_CONSTRAINT);
    }
    return 0;
}
