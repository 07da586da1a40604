#include "codec/byte_order.h"
#include "codec/hex.h"
#include "codec_test_support.h"

namespace vemo::codec::test {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(Reversal, BothReverseAnEvenLength) {
    Bytes bytes{1, 2, 3, 4};
    ReverseBuffer(bytes.data(), 4);
    EXPECT_EQ(bytes, (Bytes{4, 3, 2, 1}));
    EXPECT_EQ(ReverseByteArray(bytes.data(), 4), 1);
    EXPECT_EQ(bytes, (Bytes{1, 2, 3, 4}));
}

TEST(Reversal, OnlyReverseBufferTakesAnOddLength) {
    Bytes bytes{1, 2, 3};
    EXPECT_EQ(ReverseByteArray(bytes.data(), 3), -1);
    EXPECT_EQ(bytes, (Bytes{1, 2, 3}));
    ReverseBuffer(bytes.data(), 3);
    EXPECT_EQ(bytes, (Bytes{3, 2, 1}));
}

TEST(Reversal, ReversesOnlyTheFirstLengthBytes) {
    Bytes bytes{1, 2, 3, 4, 5};
    ReverseBuffer(bytes.data(), 2);
    EXPECT_EQ(bytes, (Bytes{2, 1, 3, 4, 5}));
}

TEST(Reversal, ZeroAndNegativeLengthsChangeNothing) {
    Bytes bytes{1, 2};
    ReverseBuffer(bytes.data(), 0);
    ReverseBuffer(bytes.data(), -2);
    EXPECT_EQ(ReverseByteArray(bytes.data(), -1), -1);
    EXPECT_EQ(ReverseByteArray(bytes.data(), -3), -1);
    EXPECT_EQ(ReverseByteArray(bytes.data(), -2), 1);
    EXPECT_EQ(ReverseByteArray(bytes.data(), 0), 1);
    EXPECT_EQ(bytes, (Bytes{1, 2}));
    ReverseBuffer(nullptr, 4);
    EXPECT_EQ(ReverseByteArray(nullptr, 4), 1);
}

// Writes the hex text of `bytes` into a guarded buffer of `size` bytes.
std::string hex(const Bytes& bytes, int32_t size) {
    GuardedBuffer out(static_cast<size_t>(std::max(size, 0)));
    EXPECT_EQ(BytesToHexStr(bytes.data(), static_cast<int32_t>(bytes.size()), out.chars(), size),
              out.chars());
    EXPECT_TRUE(out.guardsIntact()) << size;
    return size > 0 ? std::string(out.chars()) : std::string("(nothing written)");
}

TEST(HexText, CutsToTheBytesThatFitTheBuffer) {
    EXPECT_EQ(hex({0x0A, 0xFF}, 6), "0AFF");
    EXPECT_EQ(hex({0x0A, 0xFF}, 5), "0AFF");
    EXPECT_EQ(hex({0x0A, 0xFF}, 4), "0A");
    EXPECT_EQ(hex({0x0A, 0xFF}, 3), "0A");
    EXPECT_EQ(hex({0x0A, 0xFF}, 2), "");
    EXPECT_EQ(hex({0x0A, 0xFF}, 1), "");
}

TEST(HexText, ABufferOfNoBytesReceivesNothing) {
    EXPECT_EQ(hex({0x0A, 0xFF}, 0), "(nothing written)");
    char guard[2] = {'x', 'y'};
    BytesToHexStr(Bytes{0x0A}.data(), 1, guard + 1, -4);
    EXPECT_EQ(guard[0], 'x');
    EXPECT_EQ(guard[1], 'y');
}

TEST(HexText, EmptyOrNegativeInputGivesTheEmptyText) {
    EXPECT_EQ(hex({}, 8), "");
    EXPECT_EQ(hex({0x12}, 8).size(), 2u);
    char out[8] = "zzzzzzz";
    BytesToHexStr(Bytes{0x12}.data(), -1, out, sizeof out);
    EXPECT_STREQ(out, "");
    BytesToHexStr(nullptr, 4, out, sizeof out);
    EXPECT_STREQ(out, "");
}

TEST(HexText, UsesUpperCaseDigitsHighNibbleFirst) {
    EXPECT_EQ(hex({0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}, 17), "0123456789ABCDEF");
}

// How a serial number the platform holds least significant byte first becomes text.
std::string serialText(Bytes platformOrder) {
    ReverseByteArray(platformOrder.data(), static_cast<int32_t>(platformOrder.size()));
    char text[257];
    return BytesToHexStr(platformOrder.data(), static_cast<int32_t>(platformOrder.size()), text,
                         sizeof text);
}

TEST(HexText, SerialNumbersOfEvenLengthComeOutMostSignificantFirst) {
    Bytes sixteen;
    for (uint8_t i = 0; i < 16; ++i) sixteen.push_back(i);
    EXPECT_EQ(serialText(sixteen), "0F0E0D0C0B0A09080706050403020100");

    Bytes seventeen = sixteen;
    seventeen.push_back(0x00);
    EXPECT_EQ(serialText(seventeen), "000102030405060708090A0B0C0D0E0F00");
}

}  // namespace
}  // namespace vemo::codec::test
