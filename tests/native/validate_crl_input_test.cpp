// The revocation list check's portable input: the mode text, the list file read whole, and the
// list's form by its first byte.
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <string>

#include "codec_test_support.h"
#include "validate/crl_input.h"

namespace vemo::validate {
namespace {

using codec::TextStep;

TEST(CrlMode, ReadsLikeADecimalNumberAndNeverWraps) {
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"3", 3}, {" \t\n3", 3}, {"+3", 3}, {"3x", 3}, {"003", 3}, {"1 3", 1}, {"-3", -3},
        {"", 0}, {"x", 0}, {"+", 0}, {"- 3", 0}, {"0x3", 0},
        {"2147483647", INT_MAX}, {"2147483648", INT_MAX}, {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN},
        {"4294967299", INT_MAX},  // 2^32 + 3: wrapping would make it mode 3
        {"99999999999999999999999", INT_MAX},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadDecimal(c.text), c.value) << '"' << c.text << '"';
}

// A file of the test's own, removed at the end.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& content) {
        std::FILE* file = std::fopen(path_.c_str(), "wb");
        EXPECT_NE(file, nullptr);
        if (file == nullptr) return;
        std::fwrite(content.data(), 1, content.size(), file);
        std::fclose(file);
    }
    ~ScratchFile() { std::remove(path_.c_str()); }
    const char* path() const { return path_.c_str(); }

private:
    std::string path_ = testing::TempDir() + "crl_input_test.bin";
};

TEST(CrlFile, IsReadWholeAcrossBlocks) {
    for (size_t size : {size_t{1}, kCrlFileBlock - 1, kCrlFileBlock, kCrlFileBlock + 1, 2 * kCrlFileBlock,
                        2 * kCrlFileBlock + 1, size_t{100000}}) {
        std::string content(size, '\0');
        for (size_t i = 0; i < size; ++i) content[i] = static_cast<char>(i * 7 % 251);
        const ScratchFile file(content);
        std::string read = "left over";
        ASSERT_EQ(ReadCrlFile(file.path(), read), FileRead::Ok) << size;
        EXPECT_EQ(read, content) << size;
        EXPECT_EQ(read.c_str()[size], '\0') << "a text list ends at the file's end";
    }
}

TEST(CrlFile, WhatCannotBeReadIsReportedApart) {
    const ScratchFile empty("");
    const std::string folder = testing::TempDir() + "crl_input_folder";
    mkdir(folder.c_str(), 0700);
    const struct {
        const char* path;
        FileRead outcome;
    } cases[] = {
        {nullptr, FileRead::NotOpened},
        {"", FileRead::NotOpened},
        {"/no/such/folder/list.crl", FileRead::NotOpened},
        {empty.path(), FileRead::Empty},
        {folder.c_str(), FileRead::NotRead},  // opens on Linux, then refuses to be read
    };
    for (const auto& c : cases) {
        std::string read = "left over";
        EXPECT_EQ(ReadCrlFile(c.path, read), c.outcome) << (c.path ? c.path : "(null)");
        EXPECT_TRUE(read.empty());
    }
    rmdir(folder.c_str());
}

struct ToDer {
    TextStep step;
    std::string der;
    bool inFileBlock;  // the DER bytes are the file's own
};

ToDer CrlToDer(std::string contents) {
    codec::DerBlock scratch;
    CrlDer der;
    const TextStep step = CrlFileToDer(contents, scratch, der);
    const bool inFile = der.bytes == reinterpret_cast<const uint8_t*>(contents.data());
    return {step, std::string(reinterpret_cast<const char*>(der.bytes), der.length), inFile};
}

TEST(CrlFile, FormByFirstByte) {
    using codec::test::readFixture;
    const std::string pem = readFixture("crl.pem");
    const std::string der = codec::test::opensslDer("crl.pem");
    std::string crlf, oneLine;
    for (char c : pem) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    for (char c : pem) if (c != '\n') oneLine += c;
    const std::string bare = oneLine.substr(oneLine.find("MI"), oneLine.find("-----END") - oneLine.find("MI"));
    // 5463 characters of Base64 decode to more than the 4096 bytes a text list may hold.
    const std::string tooLong = "MI" + std::string(5462, 'A');
    const struct {
        const char* name;
        std::string contents;
        TextStep step;
        std::string der;
        bool inFileBlock;
    } cases[] = {
        {"DER", der, TextStep::Ok, der, true},
        {"0x30, not a list: left to the platform", "0 not a list", TextStep::Ok, "0 not a list", true},
        {"PEM, LF", pem, TextStep::Ok, der, false},
        {"PEM, CR LF", crlf, TextStep::Ok, der, false},
        {"PEM, one line", oneLine, TextStep::Ok, der, false},
        {"bare Base64", bare, TextStep::Ok, der, false},
        {"text up to a zero byte", bare + std::string(1, '\0') + "trailing", TextStep::Ok, der, false},
        {"blank lines first", std::string(8000, '\n') + pem, TextStep::Ok, der, false},
        {"neither armour nor Base64", "garbage", TextStep::NotRecognised, "", false},
        {"bad Base64", "MIIB*AAA", TextStep::NotDecodable, "", false},
        {"text over 4096 bytes of DER", tooLong, TextStep::NotDecodable, "", false},
    };
    for (const auto& c : cases) {
        const ToDer result = CrlToDer(c.contents);
        EXPECT_EQ(result.step, c.step) << c.name;
        EXPECT_EQ(result.der, c.der) << c.name;
        EXPECT_EQ(result.inFileBlock, c.inFileBlock) << c.name;
    }
}

}  // namespace
}  // namespace vemo::validate
