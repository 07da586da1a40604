// A bounded view over bytes: a pointer and the count left. Every read checks the count first,
// so no reader can go past the end of what it was given, whatever a length field claims.
// It owns nothing; copy it to peek ahead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vemo::codec {

class ByteReader {
public:
    ByteReader() = default;
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}

    const uint8_t* data() const { return data_; }
    size_t remaining() const { return size_; }
    bool empty() const { return size_ == 0; }

    bool skip(size_t count) {
        if (size_ < count) return false;
        advance(count);
        return true;
    }

    // The next byte, without moving on.
    bool peekU8(uint8_t& out) const {
        if (size_ < 1) return false;
        out = data_[0];
        return true;
    }

    bool readU8(uint8_t& out) {
        if (size_ < 1) return false;
        out = data_[0];
        advance(1);
        return true;
    }

    // An unsigned integer of `width` bytes (1 to 4), most significant byte first.
    bool readBigEndian(size_t width, uint32_t& out) {
        if (width < 1 || width > 4 || size_ < width) return false;
        uint32_t value = 0;
        for (size_t i = 0; i < width; ++i) value = (value << 8) | data_[i];
        out = value;
        advance(width);
        return true;
    }

    // An unsigned integer of `width` bytes (1 to 4), least significant byte first.
    bool readLittleEndian(size_t width, uint32_t& out) {
        if (width < 1 || width > 4 || size_ < width) return false;
        uint32_t value = 0;
        for (size_t i = width; i > 0; --i) value = (value << 8) | data_[i - 1];
        out = value;
        advance(width);
        return true;
    }

    // The next `count` bytes as a reader of their own.
    bool readBytes(size_t count, ByteReader& out) {
        if (size_ < count) return false;
        out = ByteReader(data_, count);
        advance(count);
        return true;
    }

    // Copies the next `count` bytes to `destination`.
    bool copyTo(uint8_t* destination, size_t count) {
        if (size_ < count) return false;
        if (count != 0) std::memcpy(destination, data_, count);
        advance(count);
        return true;
    }

private:
    void advance(size_t count) {
        data_ += count;
        size_ -= count;
    }

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

}  // namespace vemo::codec
