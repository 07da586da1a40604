// The library tests: every test runs against the one edition named by --edition=.
// With --hash-loop=<n> the program instead calls C_VEMO_Hash n times (--verify-loop=<n>:
// C_VEMO_VerifySign and C_VEMO_Hash) and exits with the number of failed calls: the concurrency
// tests start several of these at once. --raw-interop=<folder> names the folder the raw
// signature shares with openssl on the host (tests/interop/raw-signature-openssl.sh),
// --p7-interop=<folder> the PKCS#7 messages' (tests/interop/signed-message-openssl.sh),
// --path-interop=<folder> openssl's verdicts on the path cases (tests/interop/cert-path-openssl.sh).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <cstring>

#include "support/dialog_driver.h"
#include "support/edition_under_test.h"
#include "support/signing_fixture.h"
#include "support/test_token.h"
#include "support/token_fixture.h"

namespace vemo::test {
// The folder of openssl's verdicts on the path cases (tests/interop/cert-path-openssl.sh).
void SetPathInteropFolder(const std::string& folder);
}  // namespace vemo::test

namespace {

int RunHashLoop(int iterations) {
    const auto& edition = vemo::test::Edition();
    int failures = 0;
    for (int i = 0; i < iterations; ++i) {
        uint8_t digest[20];
        uint32_t length = 0;
        const int32_t result = edition.hash(0, reinterpret_cast<const uint8_t*>("abc"), 3, digest, &length);
        if (result != 0 || length != 20 || digest[0] != 0xa9) ++failures;
    }
    return failures;
}

// Each round verifies a record and digests its data.
int RunVerifyLoop(int iterations) {
    const std::string data = "verified at once";
    const CVEMO_SIGNATURE_RECORD record = vemo::test::RecordOf(vemo::test::FixtureSignature("user1024", data));
    int failures = 0;
    for (int i = 0; i < iterations; ++i) {
        if (vemo::test::VerifyWith(vemo::test::FixtureBytes("user1024.crt.der"), data, record) != 0) ++failures;
        failures += RunHashLoop(1);
    }
    return failures;
}

}  // namespace

int main(int argc, char** argv) {
    vemo::test::LoadEditionUnderTest(argc, argv);
    vemo::test::TakeScreenshotFolder(argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--hash-loop=", 12) == 0) return RunHashLoop(std::atoi(argv[i] + 12));
        if (std::strncmp(argv[i], "--verify-loop=", 14) == 0) return RunVerifyLoop(std::atoi(argv[i] + 14));
        if (std::strncmp(argv[i], "--raw-interop=", 14) == 0) vemo::test::SetRawInteropFolder(argv[i] + 14);
        if (std::strncmp(argv[i], "--p7-interop=", 13) == 0) vemo::test::SetMessageInteropFolder(argv[i] + 13);
        if (std::strncmp(argv[i], "--path-interop=", 15) == 0) vemo::test::SetPathInteropFolder(argv[i] + 15);
    }
    testing::InitGoogleTest(&argc, argv);
    try {
        // The token editions sign through the token's provider of this build.
        vemo::test::RegisterProviderOfThisBuild();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "library tests: %s\n", error.what());
        return 2;
    }
    return RUN_ALL_TESTS();
}
