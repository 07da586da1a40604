// The software token in its 32-bit form: tokenctl provisions a token from the test PKI and
// registers the provider that sits beside this program; UTSecDll and the provider then serve
// the token as they serve the library. Built into the token edition's program only.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "checked_call.h"
#include "support/edition_under_test.h"
#include "support/run_program.h"
#include "support/token_callers.h"
#include "support/token_fixture.h"
#include "token/provision/provider_registration.h"
#include "token/store/token_store.h"
#include "token/utsecdll/UTSecDll.h"

namespace vemo::test {
namespace {

std::string Beside(const char* name) {
    const std::wstring directory = ProgramDirectory();
    return std::string(directory.begin(), directory.end()) + "\\" + name;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

ProgramRun Tokenctl(const std::string& arguments) {
    const std::string program = Beside("tokenctl.exe");
    return RunProgram(std::wstring(program.begin(), program.end()), std::wstring(arguments.begin(), arguments.end()));
}

// A token with a pseudo-container first and then two users, one per key spec.
token::TokenImage TwoUserToken() {
    token::Container pseudo;
    pseudo.name = "*default*";
    return {{pseudo, FixtureContainer("user1024", "first", token::kKeyExchange),
             FixtureContainer("signer", "second", token::kKeySignature)},
            {}};
}

TEST(Tokenctl, ProvisionsTheTokenAndRegistersTheProvider) {
    // Each run of the tool is an emulated process of its own: two runs, the ones whose work
    // depends on the architecture (a PFX key protected for the user, rebuilt from its primes
    // since Wine's import garbles its short coefficient; a provider registration).
    ScopedTokenStore store;  // its variable is inherited by tokenctl
    store.plugIn();
    const std::string provider = Beside("SoftTokenCsp.dll");
    struct Step {
        std::string arguments;
        const char* printed;
    };
    const Step steps[] = {
        {"add-pfx " + Quoted(FixturePath("pfx-import/short-coefficient.pfx")) + " --password test --name first",
         "first"},
        {"register-provider " + Quoted(provider), "registered"},
    };
    for (const Step& step : steps) {
        const ProgramRun run = Tokenctl(step.arguments);
        EXPECT_EQ(run.exitCode, 0) << step.arguments << "\n" << run.output;
        EXPECT_NE(run.output.find(step.printed), std::string::npos) << step.arguments << "\n" << run.output;
    }
    EXPECT_EQ(token::provision::RegisteredTokenProvider().value_or(""), provider);

    // What the 32-bit tool stored, read back here: the key is usable for the current user.
    token::TokenImage image;
    ASSERT_EQ(token::LoadToken(image), token::TokenState::Present);
    ASSERT_EQ(image.containers.size(), 1u);
    EXPECT_EQ(image.containers[0].name, "first");
    EXPECT_EQ(image.containers[0].certificate, FixtureBytes("pfx-import/short-coefficient.crt.der"));
    EXPECT_TRUE(SignsForItsCertificate(image.containers[0]));
}

TEST(UTSecDll, ContainersAndCertificatesThroughTheCdeclInterface) {
    ScopedTokenStore store;
    const token::TokenImage image = TwoUserToken();
    store.plugIn(image);
    for (int32_t index = 1; index <= 3; ++index) {
        SCOPED_TRACE(index);
        const token::Container& expected = image.containers[static_cast<size_t>(index - 1)];
        uint32_t count = 0, keySpec = 99;
        ASSERT_EQ(CHECKED_CALL(UTEnumCtn, index, 0, &count, &keySpec), UT_OK);
        EXPECT_EQ(count, 3u);
        EXPECT_EQ(keySpec, expected.keySpec);
        EXPECT_STREQ(CHECKED_CALL(UTGetCurCtnName), expected.name.c_str());

        // The record as the 32-bit token library fills it, read through the header's layout.
        std::vector<uint8_t> bytes(sizeof(UT_CERT_RECORD) + 4, 0xCC);
        auto* record = reinterpret_cast<UT_CERT_RECORD*>(bytes.data());
        const int32_t result = CHECKED_CALL(UTGetCurCert, record);
        if (expected.certificate.empty()) {
            EXPECT_EQ(result, UT_ERR_NO_CERTIFICATE);
            continue;
        }
        ASSERT_EQ(result, UT_OK);
        EXPECT_EQ(record->reserved, expected.keySpec);
        ASSERT_EQ(record->length, expected.certificate.size());
        EXPECT_EQ(std::memcmp(record->der, expected.certificate.data(), record->length), 0);
        EXPECT_EQ(bytes.back(), 0xCC) << "written past the record";
    }
    uint32_t count = 0, keySpec = 0;
    EXPECT_EQ(CHECKED_CALL(UTEnumCtn, 4, 0, &count, &keySpec), UT_ERR_NO_CONTAINER);
}

TEST(UTSecDll, RandomBytes) {
    ScopedTokenStore store;
    store.plugIn();
    std::vector<uint8_t> first(40, 0xCC), second(40, 0xCC);
    ASSERT_EQ(CHECKED_CALL(UTGenRandomNumber, 32u, first.data() + 4), UT_OK);
    ASSERT_EQ(CHECKED_CALL(UTGenRandomNumber, 32u, second.data() + 4), UT_OK);
    EXPECT_NE(first, second);
    for (size_t i : {0, 1, 2, 3, 36, 37, 38, 39}) EXPECT_EQ(first[i], 0xCC) << "byte " << i << " written";
}

TEST(Provider, SignsWithTheFirstUserContainersKey) {
    ScopedTokenStore store;
    store.plugIn(TwoUserToken());
    const std::string data = "signed by the 32-bit provider";
    const Outcome outcome = RawSignThroughToken(data);
    ASSERT_EQ(outcome.stoppedAt, Step::Done) << StepName(outcome.stoppedAt) << " error 0x" << std::hex << outcome.error;
    EXPECT_EQ(outcome.container, "first#7391");
    EXPECT_EQ(outcome.certificate, FixtureBytes("user1024.crt.der"));
    EXPECT_EQ(outcome.output.size(), 128u);
    EXPECT_TRUE(SignatureVerifies(outcome.certificate, data, outcome.output));
}

TEST(Provider, SignsAMessageThroughTheCertificatesKeyLocation) {
    // CryptSignMessage opens the container through the provider itself; its parameter and
    // the verification's are structures passed by size.
    ScopedTokenStore store;
    store.plugIn(TwoUserToken());
    const std::string text = "a message signed by the 32-bit provider";
    const Outcome outcome = SignMessageThroughToken(text);
    ASSERT_EQ(outcome.stoppedAt, Step::Done) << StepName(outcome.stoppedAt) << " error 0x" << std::hex << outcome.error;
    std::vector<uint8_t> content;
    ASSERT_TRUE(MessageVerifies(outcome.output, content));
    EXPECT_EQ(std::string(content.begin(), content.end()), text + '\0');
}

}  // namespace
}  // namespace vemo::test
