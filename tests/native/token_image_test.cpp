// The software token's file form: what is written is read back, and damaged files are refused
// without reading past their end.
#include <gtest/gtest.h>

#include "token/store/token_image.h"

namespace vemo::token {
namespace {

TokenImage SampleToken() {
    TokenImage image;
    image.containers.push_back({std::string(kDefaultContainer), 0, {}, {}, {}, std::nullopt});
    image.containers.push_back({"LAB-USER-1", kKeyExchange, {1, 2, 3}, {4, 5}, {0x30, 0x03, 0x02, 0x01, 0x05}, std::nullopt});
    image.containers.push_back({"signing only", kKeySignature, {9}, {8}, {}, std::nullopt});
    image.setFault(FaultPoint::ProviderSignHash, 0x80090020u);
    image.setFault(FaultPoint::EnumContainer, 0x0E000099u);
    return image;
}

void ExpectSame(const TokenImage& a, const TokenImage& b) {
    ASSERT_EQ(a.containers.size(), b.containers.size());
    for (size_t i = 0; i < a.containers.size(); ++i) {
        EXPECT_EQ(a.containers[i].name, b.containers[i].name);
        EXPECT_EQ(a.containers[i].keySpec, b.containers[i].keySpec);
        EXPECT_EQ(a.containers[i].protectedKey, b.containers[i].protectedKey);
        EXPECT_EQ(a.containers[i].publicKey, b.containers[i].publicKey);
        EXPECT_EQ(a.containers[i].certificate, b.containers[i].certificate);
        EXPECT_EQ(a.containers[i].secondKey.has_value(), b.containers[i].secondKey.has_value());
        if (a.containers[i].secondKey && b.containers[i].secondKey) {
            EXPECT_EQ(a.containers[i].secondKey->keySpec, b.containers[i].secondKey->keySpec);
            EXPECT_EQ(a.containers[i].secondKey->publicKey, b.containers[i].secondKey->publicKey);
        }
    }
    ASSERT_EQ(a.faults.size(), b.faults.size());
    for (size_t i = 0; i < a.faults.size(); ++i) {
        EXPECT_EQ(a.faults[i].point, b.faults[i].point);
        EXPECT_EQ(a.faults[i].code, b.faults[i].code);
    }
}

TEST(TokenFile, RoundTrip) {
    const TokenImage image = SampleToken();
    const std::vector<uint8_t> bytes = SerialiseToken(image);
    const std::optional<TokenImage> back = ParseToken(bytes.data(), bytes.size());
    ASSERT_TRUE(back);
    ExpectSame(image, *back);
    EXPECT_EQ(back->faultCode(FaultPoint::ProviderSignHash), 0x80090020u);
    EXPECT_EQ(back->faultCode(FaultPoint::GenerateRandom), std::nullopt);
}

TEST(TokenFile, EmptyTokenRoundTrips) {
    const std::vector<uint8_t> bytes = SerialiseToken(TokenImage{});
    const std::optional<TokenImage> back = ParseToken(bytes.data(), bytes.size());
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->containers.empty());
}

TEST(TokenFile, EveryTruncationIsRefused) {
    const std::vector<uint8_t> bytes = SerialiseToken(SampleToken());
    for (size_t size = 0; size < bytes.size(); ++size) {
        // A copy of exactly `size` bytes, so the sanitizer sees any read past it.
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + size);
        EXPECT_FALSE(ParseToken(cut.data(), cut.size())) << "accepted " << size << " bytes";
    }
}

TEST(TokenFile, DamageIsRefused) {
    std::vector<uint8_t> bytes = SerialiseToken(SampleToken());
    std::vector<uint8_t> trailing = bytes;
    trailing.push_back(0);
    EXPECT_FALSE(ParseToken(trailing.data(), trailing.size()));

    std::vector<uint8_t> magic = bytes;
    magic[7] = '2';
    EXPECT_FALSE(ParseToken(magic.data(), magic.size()));

    // The first container's name length claims far more than the file holds.
    std::vector<uint8_t> longName = bytes;
    longName[12] = 0xFF;
    longName[13] = 0xFF;
    longName[14] = 0xFF;
    longName[15] = 0x7F;
    EXPECT_FALSE(ParseToken(longName.data(), longName.size()));

    EXPECT_FALSE(ParseToken(nullptr, 0));
}

TEST(TokenFile, ASecondKeyNeedsVersionTwoAndReadsBack) {
    TokenImage image = SampleToken();
    // No second key: still written in version 1, which older readers take.
    EXPECT_EQ(SerialiseToken(image)[7], '1');

    image.containers[1].secondKey = KeyPair{kKeySignature, {7, 7}, {6}, {0x30, 0x00}};
    const std::vector<uint8_t> bytes = SerialiseToken(image);
    ASSERT_EQ(bytes[7], '2');
    const std::optional<TokenImage> back = ParseToken(bytes.data(), bytes.size());
    ASSERT_TRUE(back);
    ExpectSame(image, *back);
    const Container& both = back->containers[1];
    ASSERT_TRUE(both.secondKey);
    EXPECT_EQ(both.keyOf(kKeyExchange)->protectedKey, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(both.keyOf(kKeySignature)->protectedKey, (std::vector<uint8_t>{7, 7}));
    EXPECT_EQ(both.keyOf(kKeySignature)->certificate, (std::vector<uint8_t>{0x30, 0x00}));
    EXPECT_FALSE(back->containers[0].keyOf(kKeyExchange));
    EXPECT_FALSE(back->containers[2].secondKey);
    for (size_t size = 0; size < bytes.size(); ++size) {
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + size);
        EXPECT_FALSE(ParseToken(cut.data(), cut.size())) << "accepted " << size << " bytes";
    }
}

TEST(TokenFile, ASecondKeyBesideNoKeyOrOfTheSameSpecIsRefused) {
    for (auto [first, second] : {std::pair{0u, kKeySignature}, {kKeyExchange, kKeyExchange}, {kKeyExchange, 3u}}) {
        TokenImage image;
        image.containers.push_back({"two keys", first, {1}, {2}, {}, std::nullopt});
        image.containers[0].secondKey = KeyPair{second, {3}, {4}, {}};
        const std::vector<uint8_t> bytes = SerialiseToken(image);
        EXPECT_FALSE(ParseToken(bytes.data(), bytes.size())) << first << " and " << second;
    }
}

TEST(TokenFile, UnknownFaultPointOrKeySpecIsRefused) {
    TokenImage image;
    image.faults.push_back({static_cast<FaultPoint>(99), 1});
    std::vector<uint8_t> bytes = SerialiseToken(image);
    EXPECT_FALSE(ParseToken(bytes.data(), bytes.size()));

    TokenImage badSpec;
    badSpec.containers.push_back({"x", 3, {1}, {}, {}, std::nullopt});
    bytes = SerialiseToken(badSpec);
    EXPECT_FALSE(ParseToken(bytes.data(), bytes.size()));
}

TEST(TokenFile, LimitsAreKeptWhenWriting) {
    TokenImage image;
    image.containers.push_back({std::string(kMaxNameLength + 1, 'n'), 0, {}, {}, {}, std::nullopt});
    EXPECT_TRUE(SerialiseToken(image).empty());
    image.containers[0].name.resize(kMaxNameLength);
    EXPECT_FALSE(SerialiseToken(image).empty());
}

TEST(FaultPoints, NamesRoundTrip) {
    for (FaultPoint point : AllFaultPoints()) {
        EXPECT_EQ(FaultPointFromName(FaultPointName(point)), point);
    }
    EXPECT_EQ(FaultPointFromName("UTGenRandomNumber"), FaultPoint::GenerateRandom);
    EXPECT_EQ(FaultPointFromName("nonsense"), std::nullopt);
}

TEST(FaultPoints, SettingReplacesAndClearingRemoves) {
    TokenImage image;
    image.setFault(FaultPoint::GenerateRandom, 1);
    image.setFault(FaultPoint::GenerateRandom, 2);
    EXPECT_EQ(image.faults.size(), 1u);
    EXPECT_EQ(image.faultCode(FaultPoint::GenerateRandom), 2u);
    image.clearFault(FaultPoint::GenerateRandom);
    EXPECT_EQ(image.faultCode(FaultPoint::GenerateRandom), std::nullopt);
}

}  // namespace
}  // namespace vemo::token
