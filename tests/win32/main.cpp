// A 32-bit test program: GoogleTest, ending with the line "N passed, N failed" that the layer's
// runner (wine32.sh) reads. The tests run in a working directory of their own, so that the
// editions' user log and trace file land there and nowhere else.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/scoped_environment.h"

namespace {

class PassedFailedLine : public testing::EmptyTestEventListener {
    void OnTestProgramEnd(const testing::UnitTest& unit) override {
        std::printf("%d passed, %d failed\n", unit.successful_test_count(), unit.failed_test_count());
        std::fflush(stdout);
    }
};

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new PassedFailedLine);
    const vemo::test::ScopedWorkingDirectory directory;
    return RUN_ALL_TESTS();
}
