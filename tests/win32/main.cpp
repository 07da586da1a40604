// A 32-bit test program: GoogleTest with a printer of its own, ending with the line
// "N passed, N failed" that the layer's runner (wine32.sh) reads. The tests run in a working
// directory of their own, so that the editions' user log and trace file land there.
//
// GoogleTest's own printer ends the program at the first failure here: 32-bit Wine under qemu
// dies in the OutputDebugStringA call to which that printer hands each failure (the same call
// made from a test body survives; why, is not known), and the report of the rest is lost.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/scoped_environment.h"

namespace {

class Printer : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo& test) override {
        std::printf("[ RUN      ] %s.%s\n", test.test_suite_name(), test.name());
        std::fflush(stdout);
    }
    void OnTestPartResult(const testing::TestPartResult& result) override {
        if (!result.failed()) return;
        std::printf("%s:%d: Failure\n%s\n", result.file_name() ? result.file_name() : "?", result.line_number(),
                    result.message());
        std::fflush(stdout);
    }
    void OnTestEnd(const testing::TestInfo& test) override {
        std::printf("[ %s ] %s.%s (%lld ms)\n", test.result()->Passed() ? "      OK" : "  FAILED", test.test_suite_name(),
                    test.name(), static_cast<long long>(test.result()->elapsed_time()));
        std::fflush(stdout);
    }
    void OnTestProgramEnd(const testing::UnitTest& unit) override {
        std::printf("%d passed, %d failed\n", unit.successful_test_count(), unit.failed_test_count());
        std::fflush(stdout);
    }
};

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::TestEventListeners& listeners = testing::UnitTest::GetInstance()->listeners();
    delete listeners.Release(listeners.default_result_printer());
    listeners.Append(new Printer);
    const vemo::test::ScopedWorkingDirectory directory;
    return RUN_ALL_TESTS();
}
