#include <random>

#include "codec/base64.h"
#include "codec_test_support.h"

namespace vemo::codec::test {
namespace {

constexpr uint32_t kUnset = 0xDEADBEEF;

// Encodes into a buffer of exactly the needed size, checking that nothing lands beside it.
std::string encode(const std::vector<uint8_t>& bytes) {
    GuardedBuffer out(Base64EncodedLength(bytes.size()));
    uint32_t length = kUnset;
    EXPECT_EQ(EncodeBase64Block(out.chars(), out.size(), &length, bytes.data(),
                                static_cast<uint32_t>(bytes.size())),
              0);
    EXPECT_TRUE(out.guardsIntact());
    EXPECT_EQ(length, out.size());
    return out.text(length);
}

struct Decoded {
    int result;
    uint32_t length;
    std::vector<uint8_t> bytes;
};

// Decodes from an exact-size copy of `text` into a guarded buffer of `capacity` bytes.
Decoded decode(const std::string& text, size_t capacity) {
    const std::vector<uint8_t> in = bytesOf(text);
    GuardedBuffer out(capacity);
    Decoded decoded{0, kUnset, {}};
    decoded.result = R_DecodePEMBlock(out.bytes(), out.size(), &decoded.length,
                                      reinterpret_cast<const char*>(in.data()),
                                      static_cast<uint32_t>(in.size()));
    EXPECT_TRUE(out.guardsIntact());
    if (decoded.result == 0) decoded.bytes = out.data(decoded.length);
    return decoded;
}

Decoded decode(const std::string& text) { return decode(text, Base64DecodedCapacity(text.size())); }

std::string asText(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

TEST(Base64Encoding, PadsTheLastGroupToFourCharacters) {
    EXPECT_EQ(encode({}), "");
    EXPECT_EQ(encode(bytesOf("f")), "Zg==");
    EXPECT_EQ(encode(bytesOf("fo")), "Zm8=");
    EXPECT_EQ(encode(bytesOf("foo")), "Zm9v");
    EXPECT_EQ(encode(bytesOf("foobar")), "Zm9vYmFy");
    EXPECT_EQ(encode({0xFB, 0xFF, 0xBF}), "+/+/");
}

TEST(Base64Encoding, RefusesAnOutputTooSmallAndWritesNothing) {
    const std::vector<uint8_t> bytes = bytesOf("foob");
    GuardedBuffer out(7);
    uint32_t length = kUnset;
    EXPECT_EQ(EncodeBase64Block(out.chars(), out.size(), &length, bytes.data(), 4), 1);
    EXPECT_EQ(length, kUnset);
    EXPECT_EQ(out.bytes()[0], GuardedBuffer::kCanary);
    EXPECT_TRUE(out.guardsIntact());
}

TEST(Base64Encoding, MatchesOpensslOnCertificatesListsAndKeys) {
    for (const char* fixture : {"cert-1024.pem", "cert-2048.pem", "crl.pem"}) {
        const std::string der = opensslDer(fixture);
        ASSERT_GT(der.size(), 300u) << fixture;
        const std::string expected =
            commandOutput(opensslDerCommand(fixture) + " | openssl base64 -A");
        EXPECT_EQ(encode(bytesOf(der)), expected) << fixture;
    }
    for (const char* fixture : {"rsa-1024.der", "rsa-2048.der"}) {
        const std::string expected = commandOutput("openssl base64 -A -in " + fixturePath(fixture));
        EXPECT_EQ(encode(bytesOf(readFixture(fixture))), expected) << fixture;
    }
}

TEST(Base64RoundTrip, GivesBackEveryLengthUpTo4096Bytes) {
    std::mt19937 random(20240607);
    std::vector<uint8_t> bytes;
    for (size_t length = 0; length <= 4096; ++length) {
        const Decoded decoded = decode(encode(bytes));
        ASSERT_EQ(decoded.result, 0) << length;
        ASSERT_EQ(decoded.bytes, bytes) << length;
        bytes.push_back(static_cast<uint8_t>(random()));
    }
}

TEST(Base64Decoding, CountsTheBytesOfThePaddedLastGroup) {
    EXPECT_EQ(asText(decode("Zg==").bytes), "f");
    EXPECT_EQ(asText(decode("Zm8=").bytes), "fo");
    EXPECT_EQ(asText(decode("Zm9vYmFy").bytes), "foobar");
    const Decoded empty = decode("");
    EXPECT_EQ(empty.result, 0);
    EXPECT_EQ(empty.length, 0u);
}

TEST(Base64Decoding, AThirdCharacterPadDecidesOneByteWhateverTheFourth) {
    const Decoded decoded = decode("Zm9vZg=B");
    ASSERT_EQ(decoded.result, 0);
    EXPECT_EQ(asText(decoded.bytes), "foof");
}

TEST(Base64Decoding, IgnoresTheBitsBelowTheLastByte) {
    EXPECT_EQ(asText(decode("Zh==").bytes), "f");
    EXPECT_EQ(asText(decode("Zm9=").bytes), "fo");
}

TEST(Base64Decoding, RefusesALengthThatIsNotAMultipleOfFour) {
    EXPECT_EQ(decode("Zm9vZ", 8).result, 1);
    EXPECT_EQ(decode("Zm9", 8).result, 1);
    EXPECT_EQ(decode("Zm9vYmFyendcertificate", 32).result, 1);
}

TEST(Base64Decoding, RefusesPadBeforeTheLastGroupOrTooEarlyInIt) {
    EXPECT_EQ(decode("Zg==Zm9v").result, 1);
    EXPECT_EQ(decode("Zm9vZ===").result, 1);
    EXPECT_EQ(decode("Zm9v=g==").result, 1);
    EXPECT_EQ(decode("====").result, 1);
}

TEST(Base64Decoding, RefusesCharactersOutsideTheAlphabet) {
    for (const std::string& text : std::vector<std::string>{
             "Zm9\nZm9v", "Zm9v Zm9", "Zm-v", "Zm_v", "Zm9v\r\nZm", std::string("Zm\0v", 4),
             std::string("Zm\x80v", 4), std::string("Zm9v\xFFg==", 8), std::string("Zg=\x01", 4)}) {
        EXPECT_EQ(decode(text, 16).result, 1) << text;
    }
}

TEST(Base64Decoding, LeavesTheGroupsBeforeAFaultyOneInTheOutput) {
    const std::vector<uint8_t> in = bytesOf("Zm9vYm=yZm9v");
    GuardedBuffer out(9);
    uint32_t length = kUnset;
    EXPECT_EQ(R_DecodePEMBlock(out.bytes(), out.size(), &length,
                               reinterpret_cast<const char*>(in.data()), 12),
              1);
    EXPECT_EQ(length, kUnset);
    EXPECT_EQ(out.text(3), "foo");
    EXPECT_TRUE(out.guardsIntact());
}

TEST(Base64Decoding, RefusesAnOutputTooSmallAndWritesNothing) {
    EXPECT_EQ(decode("Zm9vYmE=", 5).result, 0);
    const Decoded tooSmall = decode("Zm9vYmE=", 4);
    EXPECT_EQ(tooSmall.result, 1);
    EXPECT_EQ(tooSmall.length, kUnset);
    EXPECT_EQ(decode("Zg==", 0).result, 1);
}

TEST(Base64Arguments, NullPointersAreRefused) {
    uint8_t bytes[8];
    char text[8];
    uint32_t length = 0;
    EXPECT_EQ(EncodeBase64Block(nullptr, 8, &length, bytes, 1), 1);
    EXPECT_EQ(EncodeBase64Block(text, 8, nullptr, bytes, 1), 1);
    EXPECT_EQ(EncodeBase64Block(text, 8, &length, nullptr, 1), 1);
    EXPECT_EQ(R_DecodePEMBlock(nullptr, 8, &length, "Zg==", 4), 1);
    EXPECT_EQ(R_DecodePEMBlock(bytes, 8, nullptr, "Zg==", 4), 1);
    EXPECT_EQ(R_DecodePEMBlock(bytes, 8, &length, nullptr, 4), 1);
}

}  // namespace
}  // namespace vemo::codec::test
