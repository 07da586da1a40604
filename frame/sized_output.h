// Sized outputs, the Windows way, for the exports that take a capacity: `*length` holds the
// capacity on entry and the length written (or needed) on return. A null buffer asks for the
// size: the needed length and 0. A capacity below the need writes nothing but the needed length
// and gives E_BUFFER_TOO_SMALL. Text outputs are zero-terminated: the capacity must hold the
// zero, the length does not count it. Portable (no windows.h).
#pragma once

#include <cstddef>
#include <cstdint>

namespace vemo {

enum class OutputKind { Bytes, Text };

class SizedOutput {
public:
    SizedOutput(void* buffer, uint32_t* length, OutputKind kind = OutputKind::Bytes)
        : buffer_(static_cast<uint8_t*>(buffer)), length_(length), kind_(kind) {}

    // Neither a buffer nor a length pointer: the caller does not ask for this output.
    bool wanted() const { return buffer_ != nullptr || length_ != nullptr; }
    // A buffer without a length pointer: the capacity cannot be told.
    bool malformed() const { return buffer_ != nullptr && length_ == nullptr; }
    // A length pointer without a buffer: the caller asks for the size only.
    bool sizeQuery() const { return buffer_ == nullptr && length_ != nullptr; }

    // Whether an output of `size` bytes (text: characters, the zero not counted) can be written.
    bool fits(size_t size) const;

    // Answers for an output of `size` bytes without writing it: the needed length, then 0 for a
    // size query and E_BUFFER_TOO_SMALL when the capacity is short; E_FAILED when the size cannot
    // be told in 32 bits. Returns 1 when the buffer takes it (nothing written yet).
    int32_t check(size_t size) const;

    // Hands `size` bytes out: written (text: and its zero) with their length, or answered as
    // check() answers. 0 on success. Not wanted: nothing happens, 0.
    int32_t put(const void* bytes, size_t size) const;

    // Tells the caller `size` as the length (a bound, or the need) without writing anything.
    void tell(size_t size) const;

private:
    size_t need(size_t size) const { return kind_ == OutputKind::Text ? size + 1 : size; }

    uint8_t* buffer_;
    uint32_t* length_;
    OutputKind kind_;
};

}  // namespace vemo
