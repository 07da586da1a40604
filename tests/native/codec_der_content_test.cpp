#include "codec/der_content.h"
#include "codec_test_support.h"

namespace vemo::codec::test {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes withContents(Bytes header, size_t count) {
    for (size_t i = 0; i < count; ++i) header.push_back(static_cast<uint8_t>(i + 1));
    return header;
}

struct Copied {
    int result;
    uint32_t length;
    Bytes contents;
};

// Copies from an exact-size element into a guarded output of `capacity` bytes.
Copied copyContents(const Bytes& element, size_t capacity) {
    GuardedBuffer out(capacity);
    Copied copied{0, 0xDEADBEEF, {}};
    copied.result =
        CopyDERContent(element.data(), element.size(), out.bytes(), out.size(), &copied.length);
    EXPECT_TRUE(out.guardsIntact());
    if (copied.result == 0) copied.contents = out.data(copied.length);
    return copied;
}

Bytes tail(const Bytes& element, size_t count) {
    return Bytes(element.end() - count, element.end());
}

TEST(DerContent, SkipsTheTagAndEachKnownLengthForm) {
    const Bytes keyIdentifier = withContents({0x04, 0x14}, 20);
    EXPECT_EQ(copyContents(keyIdentifier, 20).contents, tail(keyIdentifier, 20));

    const Bytes longForm1 = withContents({0x30, 0x81, 0xA0}, 160);
    EXPECT_EQ(copyContents(longForm1, 2048).contents, tail(longForm1, 160));

    const Bytes longForm2 = withContents({0x30, 0x82, 0x01, 0x2C}, 300);
    const Copied copied = copyContents(longForm2, 2048);
    EXPECT_EQ(copied.result, 0);
    EXPECT_EQ(copied.length, 300u);
    EXPECT_EQ(copied.contents, tail(longForm2, 300));

    const Bytes longForm4 = withContents({0x04, 0x84, 0x00, 0x00, 0x00, 0x03}, 3);
    EXPECT_EQ(copyContents(longForm4, 8).contents, (Bytes{1, 2, 3}));
}

TEST(DerContent, TakesAnyOtherFirstLengthByteAsTheLength) {
    const Bytes form3 = withContents({0x04, 0x83}, 0x83);
    EXPECT_EQ(copyContents(form3, 2048).contents, tail(form3, 0x83));
    const Bytes form0 = withContents({0x04, 0x80}, 0x80);
    EXPECT_EQ(copyContents(form0, 2048).length, 0x80u);
    EXPECT_EQ(copyContents({0x04, 0x00}, 4).length, 0u);
}

TEST(DerContent, RefusesContentsLargerThanTheOutput) {
    const Copied copied = copyContents(withContents({0x04, 0x14}, 20), 19);
    EXPECT_EQ(copied.result, 1);
    EXPECT_EQ(copied.length, 0u);
    EXPECT_EQ(copyContents(withContents({0x04, 0x14}, 20), 20).result, 0);
}

TEST(DerContent, RefusesAnElementCutShort) {
    EXPECT_EQ(copyContents(withContents({0x04, 0x14}, 19), 2048).result, 1);
    EXPECT_EQ(copyContents(withContents({0x30, 0x84, 0x7F, 0xFF, 0xFF, 0xFF}, 8), 2048).result, 1);
    EXPECT_EQ(copyContents({0x30, 0x82, 0x01}, 2048).result, 1);
    EXPECT_EQ(copyContents({0x30}, 2048).result, 1);
    EXPECT_EQ(copyContents({}, 2048).result, 1);
}

TEST(DerContent, ClearsTheStartOfTheOutputEvenOnRefusal) {
    Bytes out{9, 9, 9, 9, 9};
    uint32_t length = 7;
    const Bytes cutShort{0x04, 0x05, 0x01};
    EXPECT_EQ(CopyDERContent(cutShort.data(), cutShort.size(), out.data(), out.size(), &length), 1);
    EXPECT_EQ(out, (Bytes{0, 0, 0, 0, 9}));
    EXPECT_EQ(length, 0u);

    GuardedBuffer small(2);
    EXPECT_EQ(
        CopyDERContent(cutShort.data(), cutShort.size(), small.bytes(), small.size(), &length), 1);
    EXPECT_EQ(small.data(2), (Bytes{0, 0}));
    EXPECT_TRUE(small.guardsIntact());
}

TEST(DerContent, RefusesNullArguments) {
    uint8_t out[4];
    uint32_t length = 0;
    const Bytes element{0x04, 0x01, 0x05};
    EXPECT_EQ(CopyDERContent(nullptr, 3, out, sizeof out, &length), 1);
    EXPECT_EQ(CopyDERContent(element.data(), 3, nullptr, sizeof out, &length), 1);
    EXPECT_EQ(CopyDERContent(element.data(), 3, out, sizeof out, nullptr), 1);
}

}  // namespace
}  // namespace vemo::codec::test
