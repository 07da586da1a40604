// The token provider's tests. --interop-dir=<folder> names the folder where the interop tests
// leave signatures, messages and certificates for openssl to check on the host.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <exception>

#include "support/provider_interop.h"
#include "support/test_token.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const char* prefix = "--interop-dir=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix, std::strlen(prefix)) == 0) {
            vemo::test::SetInteropFolder(argv[i] + std::strlen(prefix));
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
