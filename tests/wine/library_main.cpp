// The library tests: every test runs against the one edition named by --edition=.
// With --hash-loop=<n> the program instead calls C_VEMO_Hash n times and exits with the number
// of failed calls: the concurrency tests start several of these at once.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "support/dialog_driver.h"
#include "support/edition_under_test.h"

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

}  // namespace

int main(int argc, char** argv) {
    vemo::test::LoadEditionUnderTest(argc, argv);
    vemo::test::TakeScreenshotFolder(argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--hash-loop=", 12) == 0) return RunHashLoop(std::atoi(argv[i] + 12));
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
