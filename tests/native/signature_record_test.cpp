// The signature record as the signer writes it and the verifier reads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "sign/signature_record.h"

namespace vemo::sign {
namespace {

using Bytes = std::vector<uint8_t>;
using Layout = SignatureRecordLayout;

// A record of 0xCC bytes with a length field the caller left.
Bytes CallersRecord() {
    Bytes record(Layout::kSize, 0xCC);
    const uint8_t left[4] = {0x78, 0x56, 0x34, 0x12};
    std::memcpy(record.data() + Layout::kLengthOffset, left, 4);
    return record;
}

TEST(SignatureRecord, ClearingKeepsOnlyTheLengthField) {
    Bytes record = CallersRecord();
    ClearSignatureRecord(record.data());
    for (size_t i = 0; i < Layout::kSize; ++i) {
        const bool lengthField = i >= Layout::kLengthOffset && i < Layout::kValueOffset;
        if (!lengthField) EXPECT_EQ(record[i], 0) << i;
    }
    EXPECT_EQ(SignatureLengthField(record.data()), 0x12345678);
    EXPECT_FALSE(HasSignatureMarker(record.data()));
}

TEST(SignatureRecord, FilledRecordReadsBack) {
    struct Case {
        std::string serial;
        size_t length;
        bool fills;
    } cases[] = {
        {"0102", 128, true},
        {std::string(48, 'F'), 300, true},  // the largest serial text and value
        {std::string(49, 'F'), 128, false},
        {"030201", 301, false},
        {"030201", 0, false},
    };
    for (const Case& c : cases) {
        Bytes record = CallersRecord();
        ClearSignatureRecord(record.data());
        Bytes value(c.length);
        for (size_t i = 0; i < c.length; ++i) value[i] = static_cast<uint8_t>(i + 1);
        EXPECT_EQ(FillSignatureRecord(record.data(), c.serial.c_str(), value.data(), c.length), c.fills) << c.serial;
        if (!c.fills) {
            EXPECT_EQ(record, [] { Bytes r = CallersRecord(); ClearSignatureRecord(r.data()); return r; }());
            continue;
        }
        EXPECT_EQ(std::string(reinterpret_cast<char*>(record.data()), 10), std::string("QUORVEL\0\0\0", 10));
        EXPECT_TRUE(HasSignatureMarker(record.data()));
        EXPECT_EQ(SerialTextLength(record.data()), c.serial.size());
        EXPECT_EQ(std::string(reinterpret_cast<char*>(record.data() + 10)), c.serial);
        const uint8_t* read = nullptr;
        ASSERT_EQ(RecordedSignature(record.data(), read), c.length);
        EXPECT_EQ(Bytes(read, read + c.length), value);
        EXPECT_TRUE(std::all_of(read + c.length, static_cast<const uint8_t*>(record.data() + Layout::kSize), [](uint8_t b) { return b == 0; }));
        const auto* asStruct = reinterpret_cast<const CVEMO_SIGNATURE_RECORD*>(record.data());
        EXPECT_EQ(asStruct->signature_length, static_cast<int32_t>(c.length));
    }
}

TEST(SignatureRecord, TheReaderTakesOnlyWhatTheValueFieldHolds) {
    for (int32_t length : {0, -1, 301, 0x7FFFFFFF, static_cast<int32_t>(0x80000000)}) {
        Bytes record(Layout::kSize, 0);
        std::memcpy(record.data(), "QUORVEL", 7);
        for (int i = 0; i < 4; ++i) record[Layout::kLengthOffset + i] = static_cast<uint8_t>(length >> (8 * i));
        const uint8_t* value = nullptr;
        EXPECT_EQ(RecordedSignature(record.data(), value), 0u) << length;
    }
    for (const char* marker : {"QUORVEl", "quorvel", "QUORVE", "XQUORVEL"}) {
        Bytes record(Layout::kSize, 0);
        std::memcpy(record.data(), marker, std::strlen(marker));
        EXPECT_FALSE(HasSignatureMarker(record.data())) << marker;
    }
}

}  // namespace
}  // namespace vemo::sign
