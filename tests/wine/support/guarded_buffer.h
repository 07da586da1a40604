// A caller's buffer for the exports' tests: exactly the bytes the caller promises, between guard
// bytes in one heap block, so that a write outside it shows, and what changed inside it too.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vemo::test {

class GuardedBuffer {
public:
    static constexpr uint8_t kFill = 0xCC;
    static constexpr uint8_t kGuardByte = 0xA5;
    static constexpr size_t kGuard = 32;

    // `size` bytes of kFill: an output.
    explicit GuardedBuffer(size_t size) : GuardedBuffer(std::vector<uint8_t>(size, kFill)) {}
    // A copy of `content`: an input that the export may read, or rewrite in place.
    explicit GuardedBuffer(const std::vector<uint8_t>& content)
        : block_(kGuard + content.size() + kGuard, kGuardByte), original_(content) {
        if (!content.empty()) std::memcpy(data(), content.data(), content.size());
    }
    // A text and its terminator.
    static GuardedBuffer Text(const std::string& text) {
        std::vector<uint8_t> bytes(text.begin(), text.end());
        bytes.push_back(0);
        return GuardedBuffer(bytes);
    }

    uint8_t* data() { return block_.data() + kGuard; }
    const uint8_t* data() const { return block_.data() + kGuard; }
    char* chars() { return reinterpret_cast<char*>(data()); }
    size_t size() const { return original_.size(); }

    // Nothing was written before or after the buffer.
    bool guardsIntact() const {
        for (size_t i = 0; i < kGuard; ++i) {
            if (block_[i] != kGuardByte || block_[kGuard + size() + i] != kGuardByte) return false;
        }
        return true;
    }
    // The bytes from `offset` to the end are as they were given.
    bool unchangedFrom(size_t offset) const {
        return offset >= size() || std::memcmp(data() + offset, original_.data() + offset, size() - offset) == 0;
    }

private:
    std::vector<uint8_t> block_;
    std::vector<uint8_t> original_;
};

}  // namespace vemo::test
