// The signature record: the caller's 364 bytes that the raw signer fills and the verifier reads.
// One definition of its fields for both (and for vemo), over plain bytes: integers are
// little-endian whatever the host, and nothing here needs the platform.
#pragma once

#include <cstddef>
#include <cstdint>

#include "CVemoDll_C.h"

namespace vemo::sign {

struct SignatureRecordLayout {
    static constexpr size_t kSize = 364;
    static constexpr size_t kMarkerOffset = 0;
    static constexpr size_t kMarkerSize = 7;       // "QUORVEL", no terminator
    static constexpr size_t kSerialOffset = 10;    // bytes 7 to 9 stay zero
    static constexpr size_t kSerialSize = 50;      // upper-case hex text and its terminator
    static constexpr size_t kLengthOffset = 60;    // signed 32-bit
    static constexpr size_t kValueOffset = 64;
    static constexpr size_t kValueSize = 300;      // most significant byte first
    // The longest serial number whose text fits with its terminator: 24 bytes, 48 digits.
    static constexpr size_t kSerialBytesMax = (kSerialSize - 1) / 2;
};

static_assert(sizeof(CVEMO_SIGNATURE_RECORD) == SignatureRecordLayout::kSize);
static_assert(offsetof(CVEMO_SIGNATURE_RECORD, marker) == SignatureRecordLayout::kMarkerOffset);
static_assert(offsetof(CVEMO_SIGNATURE_RECORD, serial_number) == SignatureRecordLayout::kSerialOffset);
static_assert(offsetof(CVEMO_SIGNATURE_RECORD, signature_length) == SignatureRecordLayout::kLengthOffset);
static_assert(offsetof(CVEMO_SIGNATURE_RECORD, signature) == SignatureRecordLayout::kValueOffset);
static_assert(sizeof(CVEMO_SIGNATURE_RECORD::serial_number) == SignatureRecordLayout::kSerialSize);
static_assert(sizeof(CVEMO_SIGNATURE_RECORD::signature) == SignatureRecordLayout::kValueSize);
static_assert(sizeof(CVEMO_SIGNATURE_MARKER) - 1 == SignatureRecordLayout::kMarkerSize);

// What the signer clears on entry: every byte except the length field, which keeps what the
// caller left in it until a signature has been made.
void ClearSignatureRecord(uint8_t* record);

// Writes a made signature: the marker, the serial text with its terminator, the length and the
// value (zeros after it stay). False, and nothing written, when the text (without terminator)
// is longer than 48 characters or the value is empty or longer than 300 bytes.
bool FillSignatureRecord(uint8_t* record, const char* serialText, const uint8_t* value, size_t length);

// Whether the record starts with the seven marker bytes exactly (letter case included).
bool HasSignatureMarker(const uint8_t* record);

// The length field as the caller left it.
int32_t SignatureLengthField(const uint8_t* record);

// The value the record carries: its length field when that is 1 to 300, else nothing (0).
// `value` then points into the record's value field.
size_t RecordedSignature(const uint8_t* record, const uint8_t*& value);

// The serial text: the field's characters up to its terminator (at most 49).
size_t SerialTextLength(const uint8_t* record);

}  // namespace vemo::sign
