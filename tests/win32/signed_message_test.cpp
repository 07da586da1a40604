// The PKCS#7 exports as a 32-bit client calls them (token and trace editions): a message signed
// with the software token's key through the key location (the platform's structures passed by
// their 32-bit size), verified again, and refused once changed. The trace edition shows the
// verified content in a message box, which a watcher closes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CVemoDll_C.h"
#include "checked_call.h"
#include "edition.h"
#include "support/signing_fixture.h"
#include "support/token_fixture.h"

namespace vemo::test {
namespace {

TEST(SignedMessage, SignedVerifiedAndRefusedOnceChanged) {
    ScopedTokenStore store;
    store.plugIn({{FixtureContainer("user1024", "first")}, {}});
    const std::string text = "a message from a 32-bit client";
    std::vector<uint8_t> message(CVEMO_P7_MESSAGE_MAX(text.size()) + 4, 0xCC);
    int32_t length = -7;
    ASSERT_EQ(CHECKED_CALL(C_VEMO_Sign_P7, text.c_str(), message.data(), &length), 0);
    ASSERT_GT(length, 0);
    ASSERT_LE(static_cast<size_t>(length), CVEMO_P7_MESSAGE_MAX(text.size()));
    EXPECT_EQ(message[static_cast<size_t>(length)], 0xCC) << "written past the reported length";

    MessageBoxWatcher boxes;  // the trace edition shows what it verified
    uint32_t size = static_cast<uint32_t>(length);
    EXPECT_EQ(CHECKED_CALL(C_VEMO_VerifySign_P7, message.data(), &size), 0);
    const size_t at = std::string(message.begin(), message.begin() + length).find(text);
    ASSERT_NE(at, std::string::npos) << "the content is carried inside";
    message[at] ^= 1;
    EXPECT_EQ(CHECKED_CALL(C_VEMO_VerifySign_P7, message.data(), &size), E_FAILED);
    EXPECT_EQ(boxes.texts().size(), kWritesTrace ? 1u : 0u);

    EXPECT_EQ(CHECKED_CALL(C_VEMO_Sign_P7, nullptr, message.data(), &length), E_ERROR_DATA);
    size = 0;
    EXPECT_EQ(CHECKED_CALL(C_VEMO_VerifySign_P7, message.data(), &size), E_FAILED);
}

}  // namespace
}  // namespace vemo::test
