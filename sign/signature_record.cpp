#include "sign/signature_record.h"

#include <cstring>

#include "codec/byte_reader.h"

namespace vemo::sign {
namespace {

using Layout = SignatureRecordLayout;

void PutLittleEndian32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

void ClearSignatureRecord(uint8_t* record) {
    std::memset(record, 0, Layout::kLengthOffset);
    std::memset(record + Layout::kValueOffset, 0, Layout::kValueSize);
}

bool FillSignatureRecord(uint8_t* record, const char* serialText, const uint8_t* value, size_t length) {
    const size_t textLength = strnlen(serialText, Layout::kSerialSize);
    if (textLength > 2 * Layout::kSerialBytesMax || length == 0 || length > Layout::kValueSize) return false;
    std::memcpy(record + Layout::kMarkerOffset, CVEMO_SIGNATURE_MARKER, Layout::kMarkerSize);
    std::memcpy(record + Layout::kValueOffset, value, length);
    PutLittleEndian32(record + Layout::kLengthOffset, static_cast<uint32_t>(length));
    std::memcpy(record + Layout::kSerialOffset, serialText, textLength);
    record[Layout::kSerialOffset + textLength] = '\0';
    return true;
}

bool HasSignatureMarker(const uint8_t* record) {
    return std::memcmp(record + Layout::kMarkerOffset, CVEMO_SIGNATURE_MARKER, Layout::kMarkerSize) == 0;
}

int32_t SignatureLengthField(const uint8_t* record) {
    codec::ByteReader field(record + Layout::kLengthOffset, 4);
    uint32_t value = 0;
    field.readLittleEndian(4, value);
    return static_cast<int32_t>(value);
}

size_t RecordedSignature(const uint8_t* record, const uint8_t*& value) {
    const int32_t length = SignatureLengthField(record);
    value = record + Layout::kValueOffset;
    return length >= 1 && static_cast<size_t>(length) <= Layout::kValueSize ? static_cast<size_t>(length) : 0;
}

size_t SerialTextLength(const uint8_t* record) {
    return strnlen(reinterpret_cast<const char*>(record + Layout::kSerialOffset), Layout::kSerialSize - 1);
}

}  // namespace vemo::sign
