// The token provider's tests. --interop-dir=<folder> names the folder where the interop tests
// leave signatures, messages and certificates for openssl to check on the host;
// --evidence-dir=<folder> the folder that keeps the files of a signature that did not verify.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <exception>

#include "support/provider_interop.h"
#include "support/test_token.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const char* prefix = "--interop-dir=";
    const char* evidence = "--evidence-dir=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix, std::strlen(prefix)) == 0) {
            vemo::test::SetInteropFolder(argv[i] + std::strlen(prefix));
        } else if (std::strncmp(argv[i], evidence, std::strlen(evidence)) == 0) {
            vemo::test::SetEvidenceFolder(argv[i] + std::strlen(evidence));
        }
    }
    try {
        vemo::test::PrepareProviderTests();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "provider tests: %s\n", error.what());
        return 2;
    }
    return RUN_ALL_TESTS();
}
