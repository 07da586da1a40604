// Where each edition writes down what happened: the token edition's daily user log, the trace
// edition's debug trace file, nothing in the picker edition.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "support/edition_under_test.h"
#include "support/scoped_environment.h"
#include "support/signing_fixture.h"
#include "support/token_fixture.h"

namespace vemo::test {
namespace {

// One failing digest call: with the default provider unavailable the working container cannot
// be made, which the token edition logs.
int32_t FailingDigest() {
    uint8_t digest[20];
    uint32_t length = 0;
    return Edition().hash(0, reinterpret_cast<const uint8_t*>("abc"), 3, digest, &length);
}

size_t CountOf(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST(UserLog, FailuresOfOneDayShareOneFile) {
    ScopedWorkingDirectory directory;
    {
        DefaultProviderUnavailable unavailable;
        EXPECT_NE(FailingDigest(), 0);
        EXPECT_NE(FailingDigest(), 0);
    }
    if (!Edition().writesUserLog()) {
        EXPECT_TRUE(ListFolder(directory.path()).empty()) << "this edition writes no user log";
        return;
    }
    ASSERT_EQ(ListFolder(directory.path()), std::vector<std::string>{TodaysUserLogName()});
    const std::string log = ReadFileBytes(TodaysUserLogName());
    const std::string entry(
        "\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2} "
        "\\[ERROR\\]CryptAcquireContext is error,Error Code: 0x8009[0-9a-f]{4},Line \\d+\n\n");
    EXPECT_TRUE(std::regex_match(log, std::regex("(" + entry + "){2}"))) << log;
    EXPECT_EQ(log.find('\r'), std::string::npos) << "the user log uses single line feeds";
}

TEST(UserLog, ExistingContentIsKept) {
    if (!Edition().writesUserLog()) GTEST_SKIP() << "no user log in this edition";
    ScopedWorkingDirectory directory;
    {
        std::FILE* file = std::fopen(TodaysUserLogName().c_str(), "wb");
        std::fputs("earlier entry\n", file);
        std::fclose(file);
    }
    DefaultProviderUnavailable unavailable;
    FailingDigest();
    const std::string log = ReadFileBytes(TodaysUserLogName());
    EXPECT_EQ(log.rfind("earlier entry\n", 0), 0u) << log;
    EXPECT_EQ(CountOf(log, "[ERROR]"), 1u);
}

TEST(UserLog, UnopenableLogCostsOnlyTheEntry) {
    if (!Edition().writesUserLog()) GTEST_SKIP() << "no user log in this edition";
    ScopedWorkingDirectory directory;
    int32_t expected = 0;
    {
        DefaultProviderUnavailable unavailable;
        expected = FailingDigest();
    }
    // A folder where the log file should be: the file cannot be opened, whoever runs the test.
    ASSERT_TRUE(DeleteFileA(TodaysUserLogName().c_str()));
    ASSERT_TRUE(CreateDirectoryA(TodaysUserLogName().c_str(), nullptr));

    DefaultProviderUnavailable unavailable;
    testing::internal::CaptureStdout();
    const int32_t result = FailingDigest();
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(result, expected);
    // "无法打开用户文件" in GBK, the path, ": " and the runtime library's error text.
    const std::string message = "\xce\xde\xb7\xa8\xb4\xf2\xbf\xaa\xd3\xc3\xbb\xa7\xce\xc4\xbc\xfe./" +
                                TodaysUserLogName() + ": ";
    EXPECT_EQ(printed.rfind(message, 0), 0u) << printed;
    EXPECT_GT(printed.size(), message.size()) << "the error text follows";
    EXPECT_EQ(printed.find('\n'), std::string::npos) << "no line feed follows the message";
}

TEST(TraceFile, EachRandomCallAddsOneBlock) {
    ScopedWorkingDirectory directory;
    uint8_t buffer[8];
    ASSERT_EQ(Edition().generateRandom(buffer, sizeof buffer), 0);
    ASSERT_EQ(Edition().generateRandom(nullptr, sizeof buffer), SPC_INPUTARG_ERROR_01);  // refused: a block too
    ASSERT_EQ(Edition().generateRandom(buffer, sizeof buffer), 0);
    if (!Edition().writesTrace()) {
        EXPECT_TRUE(ListFolder(directory.path()).empty()) << "this edition writes no trace";
        return;
    }
    const std::string trace = ReadFileBytes("CVemoDLL_Debug.txt");
    const std::string header =
        "========================================================\r\n"
        "\r\n\r\nProject Name: CVemoDLL_C Project - Date: \\d{1,2}/\\d{1,2}/\\d{4} - Time: \\d{2}h\\d{2}m\r\n";
    const std::string block = header +
        "\\*\\*\\*\\*\\* CryptAcquireContext OK\\. \r\n"
        "\\*\\*\\*\\*\\* CryptGenRandom OK\\. \r\n";
    EXPECT_TRUE(std::regex_match(trace, std::regex(block + header + block))) << trace;
}

TEST(TraceFile, TheDigestIsNotTraced) {
    ScopedWorkingDirectory directory;
    uint8_t digest[20];
    uint32_t length = 0;
    ASSERT_EQ(Edition().hash(0, reinterpret_cast<const uint8_t*>("abc"), 3, digest, &length), 0);
    EXPECT_TRUE(ListFolder(directory.path()).empty());
}

TEST(TraceFile, TokenFallbackIsTraced) {
    if (!Edition().writesTrace()) GTEST_SKIP() << "no trace in this edition";
    ScopedWorkingDirectory directory;
    ScopedEnvironmentVariable noToken("VEMO_TOKEN_STORE", "C:\\no-such-token\\token.vtk");
    DefaultProviderUnavailable unavailable;
    uint8_t buffer[8];
    const int32_t result = Edition().generateRandom(buffer, sizeof buffer);
    char expected[128];
    std::snprintf(expected, sizeof expected, "***** UTGenRandomNumber fails. Error Code: 0x%08x, Line ",
                  static_cast<unsigned>(result));
    const std::string trace = ReadFileBytes("CVemoDLL_Debug.txt");
    EXPECT_EQ(CountOf(trace, "Project Name:"), 1u);
    EXPECT_NE(trace.find(expected), std::string::npos) << trace;
    EXPECT_EQ(trace.find("CryptAcquireContext OK"), std::string::npos) << trace;
}

// The exports from ordinal 20 on: a failure is one user log entry (token edition) or one trace
// block (trace edition) in the one form "[ERROR]<step> is error,Error Code: 0x<code>"; a refused
// argument writes nothing.
TEST(Diagnostics, FailuresOfTheSha2Exports) {
    const Bytes certificate = FixtureBytes("user1024.crt.der");
    const Bytes signature = ValueOf(RecordOf(FixtureSignature("user1024", "data")));
    const struct {
        uint32_t algorithm;
        int32_t result;
        std::vector<std::string> written;  // in the log and the trace alike
    } cases[] = {
        {CVEMO_SHA1, E_VERIFY_ERROR, {"CryptVerifySignature is error,Error Code: 0x80090006"}},  // of other data
        {0x8003, E_ALGORITHM, {}},
    };
    for (const auto& c : cases) {
        ScopedWorkingDirectory directory;
        EXPECT_EQ(VerifyDataWith(certificate, "other", signature, c.algorithm), c.result);
        ExpectReported(c.written, c.written);
    }
}

TEST(TraceFile, UnopenableTraceChangesNoResult) {
    if (!Edition().writesTrace()) GTEST_SKIP() << "no trace in this edition";
    ScopedWorkingDirectory directory;
    ASSERT_TRUE(CreateDirectoryA("CVemoDLL_Debug.txt", nullptr));
    uint8_t buffer[8];
    EXPECT_EQ(Edition().generateRandom(buffer, sizeof buffer), 0);
}

}  // namespace
}  // namespace vemo::test
