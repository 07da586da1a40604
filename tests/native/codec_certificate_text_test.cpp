#include <cstring>
#include <memory>

#include "codec/certificate_text.h"
#include "codec_test_support.h"

namespace vemo::codec::test {
namespace {

struct TextResult {
    TextStep step;
    std::string der;
    std::string callerTextAfter;
};

// Runs an exact-size heap copy of `text` through the policy, so a read past the terminator is caught.
TextResult toDer(const std::string& text, TextPolicy policy) {
    auto copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    auto der = std::make_unique<DerBlock>();
    const TextStep step = CertificateTextToDer(copy.get(), policy, *der);
    return {step, std::string(reinterpret_cast<char*>(der->bytes), der->length), copy.get()};
}

constexpr TextPolicy kPrivateCopy = {false, 0};
constexpr TextPolicy kInPlace = {true, 0};
constexpr TextPolicy kPicker = {true, 2500};

TEST(CertificateText, EveryShapeOfOneCertificateGivesItsDer) {
    const std::string pem = readFixture("cert-1024.pem");
    const std::string der = opensslDer("cert-1024.pem");
    std::string crlf;
    for (char c : pem) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    std::string oneLine;
    for (char c : pem) if (c != '\n') oneLine += c;
    const std::string bare = oneLine.substr(oneLine.find("MI"), oneLine.find("-----END") - oneLine.find("MI"));
    for (const std::string& text : {pem, crlf, oneLine, bare}) {
        for (TextPolicy policy : {kPrivateCopy, kInPlace, kPicker}) {
            const TextResult result = toDer(text, policy);
            EXPECT_EQ(result.step, TextStep::Ok);
            EXPECT_EQ(result.der, der);
            // A private copy leaves the caller's text alone; in place leaves the bare Base64.
            EXPECT_EQ(result.callerTextAfter, policy.inPlace ? bare : text);
        }
        // Text of any length, no terminator promised, only read (an exact-size heap copy).
        auto bytes = std::make_unique<uint8_t[]>(text.size());
        std::memcpy(bytes.get(), text.data(), text.size());
        std::vector<uint8_t> decoded;
        EXPECT_EQ(TextToDer(bytes.get(), text.size(), decoded), TextStep::Ok);
        EXPECT_EQ(std::string(decoded.begin(), decoded.end()), der);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes.get()), text.size()), text);
    }
    std::vector<uint8_t> decoded;
    const std::string longest = "MI" + std::string(9998, 'A');  // 10,000 characters
    EXPECT_EQ(TextToDer(reinterpret_cast<const uint8_t*>(longest.data()), longest.size(), decoded), TextStep::Ok);
    EXPECT_EQ(decoded.size(), 7500u);
    EXPECT_EQ(TextToDer(reinterpret_cast<const uint8_t*>("BEGIN PUBLIC KEY"), 16, decoded), TextStep::NotRecognised);
}

TEST(CertificateText, StepsThatStopATextInOrder) {
    const std::string bare = readFixture("cert-1024.pem");
    struct Case {
        std::string text;
        TextPolicy policy;
        TextStep step;
    } cases[] = {
        {std::string(4097, 'M'), kPrivateCopy, TextStep::TooLong},        // the limit comes first
        {std::string(100000, 'A'), kInPlace, TextStep::TooLong},
        {"MI" + std::string(4094, 'A'), kPrivateCopy, TextStep::Ok},        // 4096: taken whole
        {"MI" + std::string(2498, 'A'), kPicker, TextStep::NotRecognised},  // the picker's 2500
        {"MI" + std::string(2494, 'A'), kPicker, TextStep::Ok},
        {"-----BEGIN PUBLIC KEY-----MIIB", kPrivateCopy, TextStep::NotRecognised},
        {" \r\n\t", kInPlace, TextStep::NotRecognised},
        {"MIIB*", kPrivateCopy, TextStep::NotDecodable},
        {"MI" + std::string(4094, 'A'), kInPlace, TextStep::Ok},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toDer(c.text, c.policy).step, c.step) << c.text.substr(0, 40) << " (" << c.text.size() << ")";
    }
}

TEST(CertificateText, MoreDerThanTheBlockHoldsIsNotDecodable) {
    // 4096 Base64 characters decode to 3072 bytes; a text CRL read from a file can be longer.
    std::string text = "MI" + std::string(5462, 'A');
    DerBlock der;
    EXPECT_EQ(NormaliseAndDecode(text.data(), 0, der), TextStep::NotDecodable);
    EXPECT_EQ(der.length, 0u);
    text = "MI" + std::string(5458, 'A');  // 5460 characters: 4095 bytes
    EXPECT_EQ(NormaliseAndDecode(text.data(), 0, der), TextStep::Ok);
    EXPECT_EQ(der.length, 4095u);
}

TEST(CertificateText, TextWithALengthIsNeitherReadNorWrittenPastIt) {
    const std::string pem = readFixture("cert-1024.pem");
    const std::string der = opensslDer("cert-1024.pem");
    std::string bare;
    for (char c : pem) if (c != '\n') bare += c;
    bare = bare.substr(bare.find("MI"), bare.find("-----END") - bare.find("MI"));
    struct Case {
        std::string text;
        TextPolicy policy;
        TextStep step;
        std::string after;  // the caller's bytes afterwards (those of `text` when empty)
    } cases[] = {
        {pem, kPrivateCopy, TextStep::Ok, ""},
        {pem, kInPlace, TextStep::Ok, der + bare.substr(der.size()) + '\0' + pem.substr(bare.size() + 1)},
        {pem, kPicker, TextStep::Ok, der + bare.substr(der.size()) + '\0' + pem.substr(bare.size() + 1)},
        {bare, kInPlace, TextStep::Ok, der + bare.substr(der.size())},  // no room for a terminator
        {"MIIB*", kInPlace, TextStep::NotDecodable, "MIIB*"},
        {"  MIIB*", kInPlace, TextStep::NotDecodable, std::string("MIIB*\0*", 7)},
        {"-----BEGIN PUBLIC KEY-----MIIB", kInPlace, TextStep::NotRecognised, ""},
        {std::string(4097, 'M'), kInPlace, TextStep::TooLong, ""},
    };
    for (const Case& c : cases) {
        // Exactly the text's bytes on the heap, with no terminator after them.
        auto bytes = std::make_unique<uint8_t[]>(c.text.size());
        std::memcpy(bytes.get(), c.text.data(), c.text.size());
        auto block = std::make_unique<DerBlock>();
        EXPECT_EQ(BoundedTextToDer(bytes.get(), c.text.size(), c.policy, *block), c.step) << c.text.substr(0, 30);
        if (c.step == TextStep::Ok) EXPECT_EQ(std::string(reinterpret_cast<char*>(block->bytes), block->length), der);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes.get()), c.text.size()), c.after.empty() ? c.text : c.after)
            << c.text.substr(0, 30);
    }
}

}  // namespace
}  // namespace vemo::codec::test
