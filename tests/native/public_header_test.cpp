// The records of the public header have the layout client programs were written against.
#include <gtest/gtest.h>

#include <cstddef>

#include "CVemoDll_C.h"

namespace {

TEST(PublicHeader, SignatureRecordLayout) {
    EXPECT_EQ(sizeof(CVEMO_SIGNATURE_RECORD), static_cast<size_t>(CVEMO_SIGNATURE_RECORD_SIZE));
    EXPECT_EQ(offsetof(CVEMO_SIGNATURE_RECORD, marker), 0u);
    EXPECT_EQ(offsetof(CVEMO_SIGNATURE_RECORD, reserved), 7u);
    EXPECT_EQ(offsetof(CVEMO_SIGNATURE_RECORD, serial_number), 10u);
    EXPECT_EQ(offsetof(CVEMO_SIGNATURE_RECORD, signature_length), 60u);
    EXPECT_EQ(offsetof(CVEMO_SIGNATURE_RECORD, signature), 64u);
    EXPECT_EQ(sizeof(CVEMO_SIGNATURE_MARKER) - 1, 7u);
}

TEST(PublicHeader, PackLayout) {
    // Length first, then the buffer pointer; nine slots back to back.
    EXPECT_EQ(offsetof(PackItem, length), 0u);
    EXPECT_EQ(offsetof(PackItem, data), sizeof(void*) == 4 ? 4u : 8u);
    EXPECT_EQ(sizeof(Pack), PACK_ITEM_COUNT * sizeof(PackItem));
}

}  // namespace
