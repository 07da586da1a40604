#include "codec/der.h"
#include "codec_test_support.h"

namespace vemo::codec::test {
namespace {

using Bytes = std::vector<uint8_t>;

// The list of a SEQUENCE, read from an exact-size copy, as the encodings of its elements.
struct Split {
    int result;
    std::vector<Bytes> elements;
    bool headHandedOver;
};

Split split(const Bytes& encoding, uint32_t totalLength) {
    DER_NODE* head = reinterpret_cast<DER_NODE*>(&head);  // a sentinel the call must replace
    Split outcome{d2c_SEQUENCE(totalLength, encoding.data(), &head), {}, head != nullptr};
    for (const DER_NODE* node = head; node != nullptr; node = node->next)
        outcome.elements.emplace_back(node->item.data, node->item.data + node->item.length);
    EXPECT_EQ(FreeDerList(head), 0);
    return outcome;
}

Split split(const Bytes& encoding) {
    return split(encoding, static_cast<uint32_t>(encoding.size()));
}

struct Integer {
    int result;
    Bytes value;
};

Integer integer(const Bytes& encoding) {
    DER_ITEM item;
    InitDerItem(&item);
    Integer outcome{d2c_INTEGER(static_cast<uint32_t>(encoding.size()), encoding.data(), &item),
                    {}};
    if (item.data != nullptr) outcome.value.assign(item.data, item.data + item.length);
    EXPECT_EQ(FreeDerItem(&item), 0);
    return outcome;
}

TEST(DerSequence, SplitsIntoCopiesOfCompleteElements) {
    const Split one = split({0x30, 0x03, 0x02, 0x01, 0x05});
    ASSERT_EQ(one.result, 0);
    EXPECT_EQ(one.elements, (std::vector<Bytes>{{0x02, 0x01, 0x05}}));

    const Split two = split({0x30, 0x09, 0x02, 0x01, 0x05, 0x04, 0x04, 0x01, 0x02, 0x03, 0x04});
    ASSERT_EQ(two.result, 0);
    EXPECT_EQ(two.elements, (std::vector<Bytes>{{0x02, 0x01, 0x05}, {0x04, 0x04, 1, 2, 3, 4}}));
}

TEST(DerSequence, ReadsEveryLongFormOfUpToFourLengthBytes) {
    const std::vector<Bytes> expected{{0x02, 0x01, 0x05}};
    EXPECT_EQ(split({0x30, 0x81, 0x03, 0x02, 0x01, 0x05}).elements, expected);
    EXPECT_EQ(split({0x30, 0x83, 0x00, 0x00, 0x03, 0x02, 0x01, 0x05}).elements, expected);
    EXPECT_EQ(split({0x30, 0x84, 0x00, 0x00, 0x00, 0x03, 0x02, 0x01, 0x05}).elements, expected);
    // An element with a long-form length of its own.
    Bytes longElement{0x30, 0x81, 0x83, 0x04, 0x81, 0x80};
    longElement.resize(longElement.size() + 0x80, 0xAB);
    const Split withLong = split(longElement);
    ASSERT_EQ(withLong.result, 0);
    EXPECT_EQ(withLong.elements,
              (std::vector<Bytes>{Bytes(longElement.begin() + 3, longElement.end())}));
}

TEST(DerSequence, EmptyContentsGiveAnEmptyList) {
    for (const Bytes& empty : {Bytes{0x30, 0x00}, Bytes{0x30, 0x80}, Bytes{0x30, 0x81, 0x00}}) {
        const Split outcome = split(empty);
        EXPECT_EQ(outcome.result, 0);
        EXPECT_FALSE(outcome.headHandedOver);
    }
    // A first length byte of 0 is taken as empty before the total length is compared.
    EXPECT_EQ(split({0x30, 0x00, 0x02, 0x01, 0x05}).result, 0);
}

TEST(DerSequence, RefusesAStatedLengthThatDisagreesWithTheTotal) {
    EXPECT_EQ(split({0x30, 0x03, 0x02, 0x01, 0x05, 0x00}).result, 1);
    EXPECT_EQ(split({0x30, 0x04, 0x02, 0x01, 0x05}).result, 1);
    EXPECT_EQ(split({0x30, 0x03, 0x02, 0x01, 0x05}, 4).result, 1);
    EXPECT_EQ(split({0x30, 0x84, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x01, 0x05}).result, 1);
}

TEST(DerSequence, RefusesFiveLengthBytesAtEitherLevel) {
    EXPECT_EQ(split({0x30, 0x85, 0x00, 0x00, 0x00, 0x00, 0x03, 0x02, 0x01, 0x05}).result, 1);
    EXPECT_EQ(split({0x30, 0x08, 0x02, 0x85, 0x00, 0x00, 0x00, 0x00, 0x01, 0x05}).result, 1);
}

TEST(DerSequence, RefusesElementsThatDoNotEndWithTheContentsAndHandsNoListOver) {
    const Split overlong = split({0x30, 0x06, 0x02, 0x01, 0x05, 0x02, 0x03, 0x05, 0x06});
    EXPECT_EQ(overlong.result, 1);
    EXPECT_FALSE(overlong.headHandedOver);
    // The second element's length field is cut off by the end of the contents.
    EXPECT_EQ(split({0x30, 0x04, 0x02, 0x01, 0x05, 0x02}).result, 1);
    EXPECT_EQ(split({0x30, 0x05, 0x02, 0x01, 0x05, 0x02, 0x82}).result, 1);
}

TEST(DerSequence, RefusesOtherTagsAndShortInput) {
    EXPECT_EQ(split({0x31, 0x03, 0x02, 0x01, 0x05}).result, 1);
    EXPECT_EQ(split({0x30}).result, 1);
    EXPECT_EQ(split({}).result, 1);
    EXPECT_EQ(split({0x30, 0x81}).result, 1);
    DER_NODE* head = nullptr;
    EXPECT_EQ(d2c_SEQUENCE(2, nullptr, &head), 1);
    const uint8_t empty[] = {0x30, 0x00};
    EXPECT_EQ(d2c_SEQUENCE(2, empty, nullptr), 1);
}

TEST(DerInteger, DropsOneLeadingSignByte) {
    EXPECT_EQ(integer({0x02, 0x02, 0x00, 0x80}).value, (Bytes{0x80}));
    EXPECT_EQ(integer({0x02, 0x01, 0x00}).value, (Bytes{0x00}));
    EXPECT_EQ(integer({0x02, 0x03, 0x00, 0x00, 0x01}).value, (Bytes{0x00, 0x01}));
    EXPECT_EQ(integer({0x02, 0x03, 0x01, 0x00, 0x01}).value, (Bytes{0x01, 0x00, 0x01}));
    EXPECT_EQ(integer({0x02, 0x81, 0x02, 0x00, 0xFF}).value, (Bytes{0xFF}));
}

TEST(DerInteger, EmptyContentsGiveAnEmptyItem) {
    const Integer empty = integer({0x02, 0x00});
    EXPECT_EQ(empty.result, 0);
    EXPECT_TRUE(empty.value.empty());
}

TEST(DerInteger, RefusesOtherTagsLengthsThatDisagreeAndFiveLengthBytes) {
    EXPECT_EQ(integer({0x03, 0x01, 0x05}).result, 1);
    EXPECT_EQ(integer({0x02, 0x02, 0x05}).result, 1);
    EXPECT_EQ(integer({0x02, 0x01, 0x05, 0x06}).result, 1);
    EXPECT_EQ(integer({0x02, 0x85, 0x00, 0x00, 0x00, 0x00, 0x01, 0x05}).result, 1);
    EXPECT_EQ(integer({0x02}).result, 1);
    EXPECT_EQ(integer({}).result, 1);
}

TEST(DerLists, NodesStartEmptyAndNullReleasesAreHarmless) {
    DER_NODE* node = nullptr;
    ASSERT_EQ(NewDerNode(&node), 0);
    EXPECT_EQ(node->next, nullptr);
    EXPECT_EQ(node->item.length, 0u);
    EXPECT_EQ(node->item.data, nullptr);
    EXPECT_EQ(FreeDerList(node), 0);
    EXPECT_EQ(FreeDerList(nullptr), 0);
    EXPECT_EQ(NewDerNode(nullptr), 1);
    EXPECT_EQ(InitDerItem(nullptr), 1);
    EXPECT_EQ(FreeDerItem(nullptr), 1);
}

}  // namespace
}  // namespace vemo::codec::test
