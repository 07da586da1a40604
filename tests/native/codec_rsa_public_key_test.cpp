#include <algorithm>
#include <array>

#include "codec/hex.h"
#include "codec/rsa_public_key.h"
#include "codec_test_support.h"

namespace vemo::codec::test {
namespace {

using Bytes = std::vector<uint8_t>;

// The DER header of an element with `length` contents bytes.
Bytes header(uint8_t tag, size_t length) {
    if (length < 0x80) return {tag, static_cast<uint8_t>(length)};
    if (length < 0x100) return {tag, 0x81, static_cast<uint8_t>(length)};
    return {tag, 0x82, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)};
}

Bytes element(uint8_t tag, const Bytes& contents) {
    Bytes encoded = header(tag, contents.size());
    encoded.insert(encoded.end(), contents.begin(), contents.end());
    return encoded;
}

// A positive INTEGER of `length` value bytes 0x80, 0x81, ...: the top bit is set, so DER puts a
// sign byte before them.
Bytes integerWithSignByte(size_t length) {
    Bytes contents{0x00};
    for (size_t i = 0; i < length; ++i) contents.push_back(static_cast<uint8_t>(0x80 + i));
    return element(0x02, contents);
}

const Bytes kExponent65537 = {0x02, 0x03, 0x01, 0x00, 0x01};
constexpr size_t kField = kRsaPublicKeyFieldSize;

Bytes rsaPublicKey(const std::vector<Bytes>& integers) {
    Bytes contents;
    for (const Bytes& integer : integers)
        contents.insert(contents.end(), integer.begin(), integer.end());
    return element(0x30, contents);
}

int decode(const Bytes& der, RSA_PUBLIC_KEY& key) {
    return d2c_RSA_PUBLIC_KEY(der.data(), static_cast<int32_t>(der.size()), &key);
}

bool allZero(const uint8_t* begin, const uint8_t* end) {
    return std::all_of(begin, end, [](uint8_t b) { return b == 0; });
}

TEST(RsaPublicKey, A1024BitKeyFillsTheModulusFieldsLast128Bytes) {
    const Bytes der = rsaPublicKey({integerWithSignByte(128), kExponent65537});
    ASSERT_EQ(der.size(), 140u);
    ASSERT_EQ(Bytes(der.begin(), der.begin() + 7),
              (Bytes{0x30, 0x81, 0x89, 0x02, 0x81, 0x81, 0x00}));
    RSA_PUBLIC_KEY key;
    ASSERT_EQ(decode(der, key), 0);
    EXPECT_EQ(key.bits, 1024u);
    EXPECT_TRUE(allZero(key.modulus, key.modulus + kField - 128));
    EXPECT_TRUE(std::equal(key.modulus + kField - 128, key.modulus + kField, der.begin() + 7));
    EXPECT_TRUE(allZero(key.exponent, key.exponent + kField - 3));
    EXPECT_EQ(Bytes(key.exponent + kField - 3, key.exponent + kField), (Bytes{0x01, 0x00, 0x01}));
    EXPECT_EQ(ModulusOfClass(key), key.modulus + kField - 128);
}

TEST(RsaPublicKey, A2048BitKeyOf270BytesDecodes) {
    const Bytes der = rsaPublicKey({integerWithSignByte(256), kExponent65537});
    ASSERT_EQ(der.size(), 270u);
    RSA_PUBLIC_KEY key;
    ASSERT_EQ(decode(der, key), 0);
    EXPECT_EQ(key.bits, 2048u);
    EXPECT_TRUE(std::equal(key.modulus + kField - 256, key.modulus + kField, der.begin() + 9));
    EXPECT_EQ(ModulusOfClass(key), key.modulus + kField - 256);
}

TEST(RsaPublicKey, TheModulusLengthChoosesTheBitClass) {
    const std::array<std::pair<size_t, uint32_t>, 8> classes{{{1, 512}, {64, 512}, {65, 1024}, {128, 1024},
                                                              {129, 2048}, {256, 2048}, {257, 4096}, {512, 4096}}};
    for (const auto& [length, bits] : classes) {
        RSA_PUBLIC_KEY key;
        ASSERT_EQ(decode(rsaPublicKey({integerWithSignByte(length), kExponent65537}), key), 0);
        EXPECT_EQ(key.bits, bits) << length;
        EXPECT_TRUE(allZero(key.modulus, key.modulus + kField - length)) << length;
        EXPECT_EQ(key.modulus[kField - 1], static_cast<uint8_t>(0x80 + length - 1)) << length;
    }
}

TEST(RsaPublicKey, RefusesAModulusOrExponentLongerThanItsField) {
    RSA_PUBLIC_KEY key;
    EXPECT_EQ(decode(rsaPublicKey({integerWithSignByte(kField + 1), kExponent65537}), key), 1);
    EXPECT_EQ(decode(rsaPublicKey({integerWithSignByte(128), integerWithSignByte(kField + 1)}), key), 1);
    ASSERT_EQ(decode(rsaPublicKey({integerWithSignByte(128), integerWithSignByte(kField)}), key), 0);
    EXPECT_EQ(key.exponent[0], 0x80);
}

TEST(RsaPublicKey, MatchesOpensslOnRealKeys) {
    for (const auto& [fixture, bits] :
         {std::pair{"rsa-1024.der", 1024u}, {"rsa-2048.der", 2048u}}) {
        const Bytes der = bytesOf(readFixture(fixture));
        RSA_PUBLIC_KEY key;
        ASSERT_EQ(decode(der, key), 0) << fixture;
        EXPECT_EQ(key.bits, bits);
        char hex[2 * 256 + 1];
        BytesToHexStr(ModulusOfClass(key), static_cast<int32_t>(bits / 8), hex, sizeof hex);
        const std::string modulus = commandOutput(
            "openssl rsa -RSAPublicKey_in -inform DER -noout -modulus -in " + fixturePath(fixture));
        EXPECT_EQ("Modulus=" + std::string(hex) + "\n", modulus) << fixture;
        EXPECT_EQ(Bytes(key.exponent + kField - 3, key.exponent + kField), (Bytes{0x01, 0x00, 0x01}));
    }
}

TEST(RsaPublicKey, IgnoresElementsAfterTheExponent) {
    RSA_PUBLIC_KEY key;
    EXPECT_EQ(decode(rsaPublicKey({integerWithSignByte(64), kExponent65537, {0x05, 0x00}}), key),
              0);
}

TEST(RsaPublicKey, RefusesWhatIsNotTwoIntegersInASequenceOfTheGivenLength) {
    RSA_PUBLIC_KEY key;
    const Bytes good = rsaPublicKey({integerWithSignByte(128), kExponent65537});
    EXPECT_EQ(decode(rsaPublicKey({integerWithSignByte(128)}), key), 1);
    EXPECT_EQ(decode(rsaPublicKey({}), key), 1);
    EXPECT_EQ(decode(rsaPublicKey({{0x04, 0x01, 0x05}, kExponent65537}), key), 1);
    EXPECT_EQ(decode(rsaPublicKey({integerWithSignByte(128), {0x04, 0x01, 0x05}}), key), 1);
    EXPECT_EQ(d2c_RSA_PUBLIC_KEY(good.data(), 139, &key), 1);
    EXPECT_EQ(d2c_RSA_PUBLIC_KEY(good.data(), -1, &key), 1);
    EXPECT_EQ(d2c_RSA_PUBLIC_KEY(nullptr, 140, &key), 1);
    EXPECT_EQ(d2c_RSA_PUBLIC_KEY(good.data(), 140, nullptr), 1);
}

TEST(RsaPublicKey, TheRecordIsZeroedEvenWhenTheKeyIsRefused) {
    RSA_PUBLIC_KEY key;
    std::fill_n(reinterpret_cast<uint8_t*>(&key), sizeof key, 0xCC);
    EXPECT_EQ(decode({0x31, 0x00}, key), 1);
    EXPECT_TRUE(allZero(reinterpret_cast<uint8_t*>(&key), reinterpret_cast<uint8_t*>(&key + 1)));
}

}  // namespace
}  // namespace vemo::codec::test
