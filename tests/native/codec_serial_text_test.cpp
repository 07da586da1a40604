#include "codec/serial_text.h"
#include "codec_test_support.h"

namespace vemo::codec::test {
namespace {

TEST(SerialText, TheTwoRulesOnEvenAndOddLengths) {
    // Serial numbers as the platform stores them: least significant byte first.
    const std::vector<uint8_t> twoBytes = {0x02, 0x01};         // 01 02 as the certificate shows it
    const std::vector<uint8_t> threeBytes = {0x03, 0x02, 0x01};  // 01 02 03
    struct Case {
        const std::vector<uint8_t>* stored;
        SerialOrder order;
        const char* text;
    } cases[] = {
        {&twoBytes, SerialOrder::EvenLengthsReversed, "0102"},
        {&threeBytes, SerialOrder::EvenLengthsReversed, "030201"},
        {&twoBytes, SerialOrder::MostSignificantFirst, "0102"},
        {&threeBytes, SerialOrder::MostSignificantFirst, "010203"},
        {&threeBytes, SerialOrder::AsStored, "030201"},
    };
    for (const Case& c : cases) {
        GuardedBuffer out(50);
        const std::vector<uint8_t> before = *c.stored;
        EXPECT_TRUE(SerialToHex(c.stored->data(), c.stored->size(), c.order, out.chars(), out.size()));
        EXPECT_STREQ(out.chars(), c.text);
        EXPECT_EQ(*c.stored, before) << "the stored bytes must not change";
        EXPECT_TRUE(out.guardsIntact());
    }
}

TEST(SerialText, ALongSerialIsCutAndSaysSo) {
    const std::vector<uint8_t> serial(25, 0xAB);  // 50 digits: one more than a 50-byte field holds
    GuardedBuffer out(50);
    EXPECT_FALSE(SerialToHex(serial.data(), serial.size(), SerialOrder::AsStored, out.chars(), out.size()));
    std::string expected;
    for (int i = 0; i < 24; ++i) expected += "AB";
    EXPECT_EQ(std::string(out.chars()), expected);
    EXPECT_TRUE(out.guardsIntact());
}

TEST(SerialText, MatchesEitherCaseOverTheWholeText) {
    const std::vector<uint8_t> stored = {0x1B, 0x0A};  // 0A 1B
    struct Case {
        const char* text;
        SerialOrder order;
        bool matches;
    } cases[] = {
        {"0a1b", SerialOrder::MostSignificantFirst, true},  {"0A1B", SerialOrder::MostSignificantFirst, true},
        {"1B0A", SerialOrder::AsStored, true},              {"0A1", SerialOrder::MostSignificantFirst, false},
        {"0A1B00", SerialOrder::MostSignificantFirst, false}, {"", SerialOrder::MostSignificantFirst, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SerialTextMatches(stored.data(), stored.size(), c.order, 257, c.text), c.matches) << c.text;
    // A 4-byte buffer renders only the first byte: the comparison is over that text.
    EXPECT_TRUE(SerialTextMatches(stored.data(), stored.size(), SerialOrder::MostSignificantFirst, 4, "0a"));
}

}  // namespace
}  // namespace vemo::codec::test
