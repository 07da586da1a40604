// The trace file's block header.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "frame/trace_file.h"

namespace vemo {
namespace {

std::string Header(const std::tm& when) {
    char buffer[512] = {};
    std::FILE* file = fmemopen(buffer, sizeof buffer, "w");
    WriteTraceHeader(file, when);
    std::fclose(file);
    return buffer;
}

TEST(TraceHeader, SeparatorAndBanner) {
    std::tm when{};
    when.tm_year = 2024 - 1900;
    when.tm_mon = 2;
    when.tm_mday = 5;
    when.tm_hour = 9;
    when.tm_min = 5;
    EXPECT_EQ(Header(when),
              std::string(56, '=') + "\n\n\nProject Name: CVemoDLL_C Project - Date: 3/5/2024 - Time: 09h05m\n");
    when.tm_mon = 11;
    when.tm_mday = 31;
    when.tm_hour = 23;
    when.tm_min = 59;
    EXPECT_EQ(Header(when),
              std::string(56, '=') + "\n\n\nProject Name: CVemoDLL_C Project - Date: 12/31/2024 - Time: 23h59m\n");
}

}  // namespace
}  // namespace vemo
