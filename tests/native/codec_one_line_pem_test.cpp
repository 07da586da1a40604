#include "codec/one_line_pem.h"
#include "codec_test_support.h"

namespace vemo::codec::test {
namespace {

TEST(OneLinePem, ArmourAroundTheBase64AndLengthPlus52) {
    const std::string der = opensslDer("cert-1024.pem");
    const std::string base64 = commandOutput(opensslDerCommand("cert-1024.pem") + " | openssl base64 -A");
    GuardedBuffer out(base64.size() + 53);
    uint32_t length = 0;
    ASSERT_TRUE(FormatOneLinePem(reinterpret_cast<const uint8_t*>(der.data()), static_cast<uint32_t>(der.size()),
                                 out.chars(), out.size(), &length));
    EXPECT_EQ(length, base64.size() + 52);
    EXPECT_EQ(out.text(length + 1),
              "-----BEGIN CERTIFICATE-----" + base64 + "-----END CERTIFICATE-----" + std::string(1, '\0'));
    EXPECT_TRUE(out.guardsIntact());
}

TEST(OneLinePem, RefusesWhatDoesNotFitAndWritesNothing) {
    struct Case {
        size_t base64Length;
        size_t capacity;
        bool fits;
    } cases[] = {{0, 53, true}, {0, 52, false}, {5464, kOneLinePemMax + 1, true}, {5464, kOneLinePemMax, false}};
    for (const Case& c : cases) {
        const std::string base64(c.base64Length, 'Q');
        GuardedBuffer out(c.capacity);
        out.chars()[0] = 'x';
        uint32_t length = 7;
        EXPECT_EQ(WrapOneLinePem(base64.data(), base64.size(), out.chars(), out.size(), &length), c.fits);
        EXPECT_EQ(length, c.fits ? c.base64Length + 52 : 7u);
        if (!c.fits) EXPECT_EQ(out.chars()[0], 'x');
        EXPECT_TRUE(out.guardsIntact());
    }
}

}  // namespace
}  // namespace vemo::codec::test
