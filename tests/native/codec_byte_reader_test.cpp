#include "codec/byte_reader.h"
#include "codec/der_length.h"
#include "codec_test_support.h"

namespace vemo::codec::test {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(ByteReader, NoReadGoesPastTheEnd) {
    const Bytes bytes{0x01, 0x02, 0x03};
    ByteReader reader(bytes.data(), bytes.size());
    uint32_t value = 0;
    EXPECT_FALSE(reader.readBigEndian(4, value));
    EXPECT_FALSE(reader.skip(4));
    ByteReader part;
    EXPECT_FALSE(reader.readBytes(4, part));
    uint8_t copy[4];
    EXPECT_FALSE(reader.copyTo(copy, 4));
    EXPECT_EQ(reader.remaining(), 3u);  // a refused read does not move the reader

    EXPECT_TRUE(reader.readBigEndian(2, value));
    EXPECT_EQ(value, 0x0102u);
    uint8_t byte = 0;
    EXPECT_TRUE(reader.peekU8(byte));
    EXPECT_EQ(byte, 0x03);
    EXPECT_TRUE(reader.readU8(byte));
    EXPECT_TRUE(reader.empty());
    EXPECT_FALSE(reader.peekU8(byte));
    EXPECT_FALSE(reader.readU8(byte));
}

TEST(ByteReader, MultiByteReadsTakeOneToFourBytesInEitherOrder) {
    const Bytes bytes{0x01, 0x02, 0x03, 0x04, 0x05};
    ByteReader reader(bytes.data(), bytes.size());
    uint32_t value = 0;
    EXPECT_FALSE(reader.readBigEndian(0, value));
    EXPECT_FALSE(reader.readBigEndian(5, value));
    EXPECT_TRUE(reader.readLittleEndian(4, value));
    EXPECT_EQ(value, 0x04030201u);
    ByteReader rest;
    EXPECT_TRUE(reader.readBytes(1, rest));
    EXPECT_EQ(rest.remaining(), 1u);
    EXPECT_EQ(rest.data(), bytes.data() + 4);
}

TEST(ByteReader, ANullPointerIsAnEmptyReader) {
    ByteReader reader(nullptr, 100);
    EXPECT_TRUE(reader.empty());
    EXPECT_TRUE(reader.skip(0));
}

uint32_t lengthOf(const Bytes& field, bool threeLongForms, bool& read) {
    ByteReader reader(field.data(), field.size());
    uint32_t length = 0xDEADBEEF;
    read = threeLongForms ? ReadDerLengthThreeLongForms(reader, length)
                          : ReadDerLength(reader, length);
    EXPECT_TRUE(!read || reader.empty()) << "the field was not read to its end";
    return length;
}

TEST(DerLengthField, TheKeyReaderKnowsEveryLongFormUpToFourBytes) {
    bool read = false;
    EXPECT_EQ(lengthOf({0x7F}, false, read), 0x7Fu);
    EXPECT_EQ(lengthOf({0x80}, false, read), 0u);
    EXPECT_EQ(lengthOf({0x83, 0x01, 0x02, 0x03}, false, read), 0x010203u);
    EXPECT_EQ(lengthOf({0x84, 0xFF, 0xFF, 0xFF, 0xFF}, false, read), 0xFFFFFFFFu);
    lengthOf({0x85, 0, 0, 0, 0, 1}, false, read);
    EXPECT_FALSE(read);
    lengthOf({0x82, 0x01}, false, read);
    EXPECT_FALSE(read);
}

TEST(DerLengthField, TheContentsReaderKnowsOnly81And82And84) {
    bool read = false;
    EXPECT_EQ(lengthOf({0x81, 0xA0}, true, read), 0xA0u);
    EXPECT_EQ(lengthOf({0x82, 0x01, 0x2C}, true, read), 0x012Cu);
    EXPECT_EQ(lengthOf({0x84, 0x00, 0x01, 0x00, 0x00}, true, read), 0x10000u);
    EXPECT_EQ(lengthOf({0x80}, true, read), 0x80u);
    EXPECT_EQ(lengthOf({0x83}, true, read), 0x83u);
    EXPECT_EQ(lengthOf({0xFF}, true, read), 0xFFu);
    lengthOf({0x84, 0x00}, true, read);
    EXPECT_FALSE(read);
}

}  // namespace
}  // namespace vemo::codec::test
