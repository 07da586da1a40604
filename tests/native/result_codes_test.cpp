// The one table of result codes: names and values as client programs see them.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "CVemoDll_C.h"
#include "frame/result_codes.h"

namespace vemo {
namespace {

TEST(ResultCodes, NamesAndValues) {
    EXPECT_STREQ(resultCodeName(-1011), "SPC_INPUTARG_ERROR_01");
    EXPECT_STREQ(resultCodeName(-501), "E_CERT_DATA_ERROR");
    EXPECT_STREQ(resultCodeName(-9999), "E_TOKEN_ENUM_BASE");
    EXPECT_STREQ(resultCodeName(0), "CVEMO_OK");
    EXPECT_STREQ(resultCodeName(-508), "E_CERT_REVOKED");
    EXPECT_EQ(resultCodeName(1), nullptr);  // a revoked certificate is never a positive answer
    EXPECT_EQ(CVEMO_CRL_NOT_REVOKED, CVEMO_OK);
    EXPECT_EQ(resultCodeName(-2), nullptr);
    EXPECT_EQ(resultCodeName(0x80090019), nullptr);
}

TEST(ResultCodes, ValuesAreDistinctAndNegative) {
    std::set<int> values;
    size_t count = 0;
#define VEMO_COLLECT(name, value, meaning) \
    values.insert(value);                  \
    ++count;                               \
    EXPECT_LT(value, 0) << #name;
    CVEMO_RESULT_CODES(VEMO_COLLECT)
#undef VEMO_COLLECT
    EXPECT_EQ(values.size(), count);
}

}  // namespace
}  // namespace vemo
