// Sized outputs: capacity in, length out, a null buffer asks the size, a short buffer is told the
// need and left untouched.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "CVemoDll_C.h"
#include "frame/sized_output.h"

namespace vemo {
namespace {

TEST(SizedOutput, EachCapacityAndKind) {
    constexpr uint32_t kNoBuffer = UINT32_MAX;  // a size query
    const struct {
        const char* name;
        OutputKind kind;
        uint32_t capacity;
        size_t size;
        int32_t result;
        uint32_t lengthAfter;
        bool written;
    } cases[] = {
        {"bytes, exact", OutputKind::Bytes, 5, 5, 0, 5, true},
        {"bytes, room to spare", OutputKind::Bytes, 9, 5, 0, 5, true},
        {"bytes, one short", OutputKind::Bytes, 4, 5, E_BUFFER_TOO_SMALL, 5, false},
        {"bytes, capacity 0", OutputKind::Bytes, 0, 5, E_BUFFER_TOO_SMALL, 5, false},
        {"bytes, size query", OutputKind::Bytes, kNoBuffer, 5, 0, 5, false},
        {"bytes, nothing to hand out", OutputKind::Bytes, 0, 0, 0, 0, true},
        {"text, room for the zero", OutputKind::Text, 6, 5, 0, 5, true},
        {"text, no room for the zero", OutputKind::Text, 5, 5, E_BUFFER_TOO_SMALL, 5, false},
        {"text, size query", OutputKind::Text, kNoBuffer, 5, 0, 5, false},
        {"empty text, capacity 1", OutputKind::Text, 1, 0, 0, 0, true},
        {"empty text, capacity 0", OutputKind::Text, 0, 0, E_BUFFER_TOO_SMALL, 0, false},
    };
    for (const auto& c : cases) {
        unsigned char buffer[16];
        std::memset(buffer, 0xCC, sizeof buffer);
        uint32_t length = c.capacity == kNoBuffer ? 77 : c.capacity;
        const SizedOutput out(c.capacity == kNoBuffer ? nullptr : buffer, &length, c.kind);
        EXPECT_EQ(out.put("abcde", c.size), c.result) << c.name;
        EXPECT_EQ(length, c.lengthAfter) << c.name;
        const size_t touched = c.written ? c.size + (c.kind == OutputKind::Text ? 1 : 0) : 0;
        if (c.written) EXPECT_EQ(std::memcmp(buffer, "abcde", c.size), 0) << c.name;
        if (c.written && c.kind == OutputKind::Text) EXPECT_EQ(buffer[c.size], 0) << c.name;
        for (size_t i = touched; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], 0xCC) << c.name << " byte " << i;
    }
}

TEST(SizedOutput, WhatIsAskedFor) {
    uint32_t length = 8;
    unsigned char buffer[8];
    EXPECT_FALSE(SizedOutput(nullptr, nullptr).wanted());
    EXPECT_EQ(SizedOutput(nullptr, nullptr).put("x", 1), 0);  // not asked for: nothing to do
    EXPECT_TRUE(SizedOutput(buffer, nullptr).malformed());
    EXPECT_EQ(SizedOutput(buffer, nullptr).put("x", 1), E_FAILED);
    EXPECT_TRUE(SizedOutput(nullptr, &length).sizeQuery());
    // check() answers without writing: 1 when the buffer takes the output.
    EXPECT_EQ(SizedOutput(buffer, &length).check(8), 1);
    EXPECT_EQ(length, 8u);
    EXPECT_EQ(SizedOutput(buffer, &length).check(size_t{UINT32_MAX}), E_FAILED);
    SizedOutput(nullptr, &length).tell(4100);
    EXPECT_EQ(length, 4100u);
}

}  // namespace
}  // namespace vemo
