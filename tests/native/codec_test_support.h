// Shared helpers of the encoding toolkit's tests: guarded output buffers, exact-size inputs,
// the committed fixtures and openssl's view of them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vemo::codec::test {

// An output buffer with canary bytes on both sides, so a test can prove that nothing was
// written outside the stated size.
class GuardedBuffer {
public:
    static constexpr uint8_t kCanary = 0xCC;
    static constexpr size_t kGuard = 16;

    explicit GuardedBuffer(size_t size) : size_(size), storage_(size + 2 * kGuard, kCanary) {}

    uint8_t* bytes() { return storage_.data() + kGuard; }
    char* chars() { return reinterpret_cast<char*>(bytes()); }
    size_t size() const { return size_; }
    std::string text(size_t length) { return std::string(chars(), length); }
    std::vector<uint8_t> data(size_t length) { return {bytes(), bytes() + length}; }

    bool guardsIntact() const {
        for (size_t i = 0; i < kGuard; ++i)
            if (storage_[i] != kCanary || storage_[kGuard + size_ + i] != kCanary) return false;
        return true;
    }

private:
    size_t size_;
    std::vector<uint8_t> storage_;
};

inline std::vector<uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

inline std::string fixturePath(const std::string& name) {
    return std::string(VEMO_CODEC_TEST_DATA) + "/" + name;
}

inline std::string readFixture(const std::string& name) {
    std::ifstream file(fixturePath(name), std::ios::binary);
    EXPECT_TRUE(file) << "missing fixture " << name;
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The standard output of a shell command (openssl), as bytes.
inline std::string commandOutput(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    EXPECT_NE(pipe, nullptr) << command;
    if (pipe == nullptr) return output;
    char chunk[4096];
    size_t count = 0;
    while ((count = fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, count);
    EXPECT_EQ(pclose(pipe), 0) << command;
    return output;
}

// The command that prints the DER of a committed PEM certificate or revocation list.
inline std::string opensslDerCommand(const std::string& pemFixture) {
    const char* kind = pemFixture.rfind("crl", 0) == 0 ? "crl" : "x509";
    return std::string("openssl ") + kind + " -outform DER -in " + fixturePath(pemFixture);
}

inline std::string opensslDer(const std::string& pemFixture) {
    return commandOutput(opensslDerCommand(pemFixture));
}

}  // namespace vemo::codec::test
