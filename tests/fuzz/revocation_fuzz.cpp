// Any bytes as a certificate and a revocation list for the revocation judgement, and as names
// for the distinguished-name comparison. The input is a two-byte length n, n bytes of
// certificate, then the list. The certificate is also the one candidate signer, whose
// signature check always passes, so that a self-issued certificate (the seeds' root) takes the
// walk on to the entries, extensions and dates.
#include <cstdint>
#include <vector>

#include "codec/distinguished_name.h"
#include "fuzz_check.h"
#include "validate/revocation_judgement.h"

using namespace vemo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    codec::ByteReader input(data, size);
    uint32_t certificateSize = 0;
    codec::ByteReader certificate, list;
    if (!input.readBigEndian(2, certificateSize) || !input.readBytes(certificateSize, certificate)) return 0;
    list = input;

    // The comparison is an equivalence on well-formed names and refuses the rest.
    codec::CanonicalName name;
    FUZZ_CHECK(codec::SameDistinguishedName(list, list) == name.read(list));
    FUZZ_CHECK(codec::SameDistinguishedName(certificate, list) == codec::SameDistinguishedName(list, certificate));

    const std::vector<codec::ByteReader> candidates{certificate};
    size_t checks = 0;
    const validate::Judgement judgement = validate::JudgeList(
        list, certificate, candidates,
        [&](size_t index) {
            FUZZ_CHECK(index == 0);
            ++checks;
            return true;
        },
        1700000000);
    FUZZ_CHECK(checks <= 1);
    // Past the issuer, the one candidate was tried.
    if (judgement != validate::Judgement::NotAList && judgement != validate::Judgement::OtherIssuer &&
        judgement != validate::Judgement::NoTrustedSigner) {
        FUZZ_CHECK(checks == 1);
    }
    const int32_t code = validate::JudgementCode(judgement);
    FUZZ_CHECK(code == 0 || code == -508 || code == -509 || code == -510 || code == -1011);
    return 0;
}
