// The token's generator behind C_VEMO_GenerateRandom: used when the default provider cannot be
// opened, its result passed on unchanged, its failure written down by each edition's means.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "support/edition_under_test.h"
#include "support/scoped_environment.h"
#include "support/token_fixture.h"

namespace vemo::test {
namespace {

constexpr uint8_t kCanary = 0xCC;
constexpr char kTraceFile[] = "CVemoDLL_Debug.txt";

// 64 random bytes wanted, with 4 canary bytes on each side.
struct RandomRequest {
    std::vector<uint8_t> buffer = std::vector<uint8_t>(72, kCanary);
    int32_t result = Edition().generateRandom(buffer.data() + 4, 64);

    bool canariesIntact() const {
        for (int i : {0, 1, 2, 3, 68, 69, 70, 71}) {
            if (buffer[i] != kCanary) return false;
        }
        return true;
    }
    bool filled() const {
        return std::vector<uint8_t>(buffer.begin() + 4, buffer.end() - 4) != std::vector<uint8_t>(64, kCanary);
    }
};

token::TokenImage TokenWithFailingGenerator(uint32_t code) {
    token::TokenImage image;
    image.setFault(token::FaultPoint::GenerateRandom, code);
    return image;
}

TEST(TokenFallback, TokenFillsTheBufferWhenTheDefaultProviderIsUnavailable) {
    ScopedWorkingDirectory directory;
    ScopedTokenStore token;
    token.plugIn();
    DefaultProviderUnavailable unavailable;
    const RandomRequest request;
    EXPECT_TRUE(request.canariesIntact());
    if (!Edition().usesToken()) {
        EXPECT_EQ(request.result, -1);
        EXPECT_FALSE(request.filled());
        return;
    }
    EXPECT_EQ(request.result, 0);
    EXPECT_TRUE(request.filled());
    EXPECT_FALSE(FileExists(TodaysUserLogName())) << "success is not logged";
    if (Edition().writesTrace()) {
        EXPECT_NE(ReadFileBytes(kTraceFile).find("***** UTGenRandomNumber OK. \r\n"), std::string::npos);
    }
}

TEST(TokenFallback, TokenFailureIsReturnedExactlyAndWrittenDown) {
    for (uint32_t code : {0x0E00ABCDu, static_cast<uint32_t>(-5)}) {
        SCOPED_TRACE(code);
        ScopedWorkingDirectory directory;
        ScopedTokenStore token;
        token.plugIn(TokenWithFailingGenerator(code));
        DefaultProviderUnavailable unavailable;
        const RandomRequest request;
        EXPECT_FALSE(request.filled());
        if (!Edition().usesToken()) {
            EXPECT_EQ(request.result, -1);
            EXPECT_TRUE(ListFolder(directory.path()).empty());
            continue;
        }
        EXPECT_EQ(request.result, static_cast<int32_t>(code));

        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08x", static_cast<unsigned>(code));
        if (Edition().writesUserLog()) {
            const std::string log = ReadFileBytes(TodaysUserLogName());
            const std::regex entry("\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2} "
                                   "\\[ERROR\\]UTGenRandomNumber is error,Error Code: " + std::string(hex) +
                                   ", Line \\d+\n\n");
            EXPECT_TRUE(std::regex_match(log, entry)) << log;
        }
        if (Edition().writesTrace()) {
            const std::string trace = ReadFileBytes(kTraceFile);
            EXPECT_NE(trace.find("***** UTGenRandomNumber fails. Error Code: " + std::string(hex) + ", Line "),
                      std::string::npos)
                << trace;
        }
    }
}

TEST(TokenFallback, TokenIsNotAskedWhileTheDefaultProviderWorks) {
    ScopedWorkingDirectory directory;
    ScopedTokenStore token;
    token.plugIn(TokenWithFailingGenerator(0x0E00ABCD));
    const RandomRequest request;
    EXPECT_EQ(request.result, 0);
    EXPECT_TRUE(request.filled());
    EXPECT_TRUE(request.canariesIntact());
    EXPECT_FALSE(FileExists(TodaysUserLogName()));
}

}  // namespace
}  // namespace vemo::test
