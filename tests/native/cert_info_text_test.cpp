// The certificate information's own texts: item numbers, the version, dates, hex and the
// subject alternative name tail, each within its buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "cert/cert_info_text.h"

namespace vemo::cert {
namespace {

TEST(CertInfoText, ItemCodesReadLikeDecimalNumbers) {
    const struct {
        const char* text;
        int32_t item;
    } cases[] = {{"36", 36}, {"  7", 7}, {"+41x", 41}, {"-3", -3}, {"", 0}, {"abc", 0}, {"0", 0},
                 {"99999999999999999999", 0}, {"031", 31}};
    for (const auto& row : cases) EXPECT_EQ(ItemCode(row.text), row.item) << row.text;
}

TEST(CertInfoText, VersionAndDates) {
    char text[kInfoTextSize] = {};
    VersionText(2, text);
    EXPECT_STREQ(text, "V3");
    VersionText(0, text);
    EXPECT_STREQ(text, "V1");
    VersionText(15, text);
    EXPECT_STREQ(text, "V1") << "the first hex digit of 0x10";

    std::memset(text, 0, sizeof text);
    AppendDate({2009, 3, 7, 8, 5, 0}, text);
    std::strcat(text, ",");
    AppendDate({2050, 1, 1, 7, 59, 59}, text);
    EXPECT_STREQ(text, "2009-3-7-8-5-0,2050-1-1-7-59-59");
}

TEST(CertInfoText, HexIsCutAt1023Digits) {
    const std::vector<uint8_t> key(600, 0xAB);
    char text[kInfoTextSize + 1];
    text[kInfoTextSize] = '#';
    HexText(key.data(), key.size(), reinterpret_cast<char(&)[kInfoTextSize]>(text));
    EXPECT_EQ(std::strlen(text), 1022u) << "511 whole bytes";
    EXPECT_EQ(text[kInfoTextSize], '#');
    HexText(key.data(), 3, reinterpret_cast<char(&)[kInfoTextSize]>(text));
    EXPECT_STREQ(text, "ABABAB");
}

TEST(CertInfoText, AltNameTailIsTheLast16BytesOrWhatIsThere) {
    const uint8_t san[] = {0x81, 0x12, 0x75, 0x73, 0x65, 0x72, 0x31, 0x30, 0x32, 0x34,
                           0x40, 0x76, 0x65, 0x6D, 0x6F, 0x2E, 0x74, 0x65, 0x73, 0x74};
    const struct {
        size_t size;
        const char* tail;
    } cases[] = {
        {20, "6572313032344076656D6F2E74657374"},
        {16, "811275736572313032344076656D6F2E"},
        {3, "811275"},
        {0, ""},
    };
    for (const auto& row : cases) {
        char tail[kAltNameTailDigits + 1];
        EXPECT_EQ(AltNameTail(codec::ByteReader(san, row.size), tail), std::strlen(row.tail));
        EXPECT_STREQ(tail, row.tail) << row.size;
    }
}

}  // namespace
}  // namespace vemo::cert
