// The daily user log: its file name, the entry format, appending, and the open failure.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "frame/user_log.h"

namespace vemo {
namespace {

namespace fs = std::filesystem;

std::tm At(int year, int month, int day, int hour, int minute, int second) {
    std::tm when{};
    when.tm_year = year - 1900;
    when.tm_mon = month - 1;
    when.tm_mday = day;
    when.tm_hour = hour;
    when.tm_min = minute;
    when.tm_sec = second;
    return when;
}

int Write(const std::tm& when, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = WriteUsrLogAt(when, kSourceTag, format, args);
    va_end(args);
    return result;
}

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Runs each test in a fresh current directory, as the log is relative to it.
class UserLogTest : public testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        directory_ = fs::temp_directory_path() / ("vemo-log-" + std::to_string(::getpid()) + "-" +
                                                  testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(directory_);
        fs::create_directories(directory_);
        fs::current_path(directory_);
    }
    void TearDown() override {
        fs::current_path(previous_);
        fs::remove_all(directory_);
    }

    fs::path previous_;
    fs::path directory_;
};

TEST(UserLogPath, DateAndTagMakeTheName) {
    char path[kUserLogPathSize];
    FormatUserLogPath(path, At(2024, 3, 5, 9, 5, 0), kSourceTag);
    EXPECT_STREQ(path, "./CVemoDll_C20240305_usr.log");
    FormatUserLogPath(path, At(1999, 12, 31, 23, 59, 59), "X");
    EXPECT_STREQ(path, "./X19991231_usr.log");
}

TEST(UserLogPath, LongTagIsCutToTheBuffer) {
    char path[kUserLogPathSize];
    const std::string tag(400, 't');
    FormatUserLogPath(path, At(2024, 3, 5, 0, 0, 0), tag.c_str());
    EXPECT_EQ(std::string(path).size(), static_cast<size_t>(kUserLogPathSize - 1));
}

TEST_F(UserLogTest, EntriesOfOneDayShareAFile) {
    ASSERT_EQ(Write(At(2024, 3, 5, 9, 5, 7), "[ERROR]First is error,Error Code: 0x%08x,Line %d\n", 0x80090019u, 42), 0);
    ASSERT_EQ(Write(At(2024, 3, 5, 23, 59, 59), "[ERROR]Second is error,Line %d\n", 7), 0);
    EXPECT_EQ(Read("CVemoDll_C20240305_usr.log"),
              "2024-03-05 09:05:07 [ERROR]First is error,Error Code: 0x80090019,Line 42\n\n"
              "2024-03-05 23:59:59 [ERROR]Second is error,Line 7\n\n");
}

TEST_F(UserLogTest, MidnightStartsANewFile) {
    ASSERT_EQ(Write(At(2024, 3, 5, 23, 59, 59), "before\n"), 0);
    ASSERT_EQ(Write(At(2024, 3, 6, 0, 0, 0), "after\n"), 0);
    EXPECT_EQ(Read("CVemoDll_C20240305_usr.log"), "2024-03-05 23:59:59 before\n\n");
    EXPECT_EQ(Read("CVemoDll_C20240306_usr.log"), "2024-03-06 00:00:00 after\n\n");
}

TEST_F(UserLogTest, ExistingContentIsKept) {
    { std::ofstream("CVemoDll_C20240305_usr.log", std::ios::binary) << "kept\n"; }
    ASSERT_EQ(Write(At(2024, 3, 5, 1, 2, 3), "x\n"), 0);
    EXPECT_EQ(Read("CVemoDll_C20240305_usr.log"), "kept\n2024-03-05 01:02:03 x\n\n");
}

TEST_F(UserLogTest, LongMessagesAreWrittenWhole) {
    const std::string message(100000, 'm');
    ASSERT_EQ(Write(At(2024, 3, 5, 1, 2, 3), "%s", message.c_str()), 0);
    EXPECT_EQ(Read("CVemoDll_C20240305_usr.log"), "2024-03-05 01:02:03 " + message + "\n");
}

TEST_F(UserLogTest, UnopenableFilePrintsTheGbkMessage) {
    // A folder in the file's place cannot be opened for appending, whoever runs the test.
    fs::create_directory("CVemoDll_C20240305_usr.log");
    testing::internal::CaptureStdout();
    const int result = Write(At(2024, 3, 5, 1, 2, 3), "lost\n");
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(result, -1);
    EXPECT_EQ(printed,
              "\xce\xde\xb7\xa8\xb4\xf2\xbf\xaa\xd3\xc3\xbb\xa7\xce\xc4\xbc\xfe"
              "./CVemoDll_C20240305_usr.log: " + std::string(std::strerror(EISDIR)));
}

TEST_F(UserLogTest, FullDiskCostsTheEntryQuietly) {
    // A log that opens but cannot grow: every write to /dev/full fails with "no space left".
    fs::create_symlink("/dev/full", "CVemoDll_C20240305_usr.log");
    testing::internal::CaptureStdout();
    const int result = Write(At(2024, 3, 5, 1, 2, 3), "lost\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(result, -1);
}

TEST_F(UserLogTest, TodaysEntryIsDatedLikeItsFile) {
    ASSERT_EQ(WriteUsrLog(kSourceTag, "[ERROR]now,Line %d\n", __LINE__), 0);
    // Exactly one file, whose date matches the entry's timestamp.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(".")) {
        ++files;
        const std::string name = entry.path().filename().string();
        const std::string content = Read(entry.path());
        ASSERT_EQ(name.size(), std::string("CVemoDll_C20240305_usr.log").size());
        const std::string date = name.substr(10, 4) + "-" + name.substr(14, 2) + "-" + name.substr(16, 2);
        EXPECT_EQ(content.substr(0, 10), date);
    }
    EXPECT_EQ(files, 1);
}

}  // namespace
}  // namespace vemo
