// The records that cross the library's boundary as this 32-bit client's compiler lays them out
// from the public headers: the sizes and offsets the interface fixes for 32-bit programs. The
// records the library writes are read back through these layouts by the tests of their exports.
#include <gtest/gtest.h>

#include <cstddef>

#include "CVemoDll_C.h"
#include "token/utsecdll/UTSecDll.h"

namespace {

TEST(RecordLayout, FieldsSitWhereThe32BitInterfaceSays) {
    struct Field {
        const char* name;
        size_t actual;
        size_t expected;
    };
    const Field fields[] = {
        {"sizeof(PackItem)", sizeof(PackItem), 8},
        {"PackItem.length", offsetof(PackItem, length), 0},
        {"PackItem.data", offsetof(PackItem, data), 4},
        {"sizeof(Pack)", sizeof(Pack), 72},
        {"sizeof(CVEMO_SIGNATURE_RECORD)", sizeof(CVEMO_SIGNATURE_RECORD), 364},
        {"marker", offsetof(CVEMO_SIGNATURE_RECORD, marker), 0},
        {"reserved", offsetof(CVEMO_SIGNATURE_RECORD, reserved), 7},
        {"serial_number", offsetof(CVEMO_SIGNATURE_RECORD, serial_number), 10},
        {"signature_length", offsetof(CVEMO_SIGNATURE_RECORD, signature_length), 60},
        {"signature", offsetof(CVEMO_SIGNATURE_RECORD, signature), 64},
        {"sizeof(UT_CERT_RECORD)", sizeof(UT_CERT_RECORD), 4104},
        {"UT_CERT_RECORD.length", offsetof(UT_CERT_RECORD, length), 4},
        {"UT_CERT_RECORD.der", offsetof(UT_CERT_RECORD, der), 8},
    };
    for (const Field& field : fields) EXPECT_EQ(field.actual, field.expected) << field.name;
}

}  // namespace
