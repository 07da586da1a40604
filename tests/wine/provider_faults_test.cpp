// The token failing on purpose and being pulled out: a fault set for one of the provider's calls
// stops the library's sequence at exactly that step with exactly that code; a token removed
// between calls fails the next call that needs it, cleanly.
#include <gtest/gtest.h>

#include <cstdio>
#include <utility>
#include <string>

#include "support/test_token.h"
#include "support/token_callers.h"
#include "token/store/token_store.h"

namespace vemo::test {
namespace {

using token::FaultPoint;

constexpr DWORD kNoToken = static_cast<DWORD>(SCARD_E_NO_SMARTCARD);

token::TokenImage SigningToken() {
    return TokenOf({ContainerWithoutKey("*default*"), ContainerFor("LAB-USER-1", Identity(AT_KEYEXCHANGE, 1024))});
}

token::TokenImage WithFault(token::TokenImage image, FaultPoint point, DWORD code) {
    image.setFault(point, code);
    return image;
}

// Each provider fault point and the step of the raw signature it stops.
const std::pair<FaultPoint, Step> kProviderFaults[] = {
    {FaultPoint::ProviderOpen, Step::Open},
    {FaultPoint::ProviderEnumContainers, Step::Enumerate},
    {FaultPoint::ProviderOpenContainer, Step::OpenContainer},
    {FaultPoint::ProviderGetUserKey, Step::UserKey},
    {FaultPoint::ProviderGetCertificate, Step::Certificate},
    {FaultPoint::ProviderCreateHash, Step::CreateHash},
    {FaultPoint::ProviderHashData, Step::HashData},
    {FaultPoint::ProviderSignHashLength, Step::SignLength},
    {FaultPoint::ProviderSignHash, Step::Sign},
};

TEST(Faults, EachProviderFaultStopsItsStepWithItsCode) {
    DWORD code = 0x8009F001;
    for (const auto& [point, step] : kProviderFaults) {
        SCOPED_TRACE(token::FaultPointName(point));
        PluggedToken token(WithFault(SigningToken(), point, ++code));
        const Outcome raw = RawSignThroughToken("abc");
        EXPECT_EQ(StepName(raw.stoppedAt), std::string(StepName(step)));
        EXPECT_EQ(raw.error, code) << std::hex << raw.error;

        // The message stops at the same step, or in CryptSignMessage for the hash and signature
        // faults (which may pass the provider's code on or put its own in its place).
        const Outcome message = SignMessageThroughToken("abc");
        const Step messageStep = step >= Step::CreateHash ? Step::SignMessage : step;
        EXPECT_EQ(StepName(message.stoppedAt), std::string(StepName(messageStep)));
        if (messageStep != Step::SignMessage) {
            EXPECT_EQ(message.error, code) << std::hex << message.error;
        }
    }
}

TEST(Faults, EnumerationFailingWithNoMoreItemsLooksLikeATokenWithoutContainer) {
    PluggedToken token(WithFault(SigningToken(), FaultPoint::ProviderEnumContainers, ERROR_NO_MORE_ITEMS));
    const Outcome outcome = RawSignThroughToken("abc");
    EXPECT_EQ(StepName(outcome.stoppedAt), std::string("NoContainer"));
}

TEST(Faults, TheTokenLibrarysFaultsLeaveTheProviderAlone) {
    token::TokenImage image = SigningToken();
    image.setFault(FaultPoint::EnumContainer, 0x0E000001);
    image.setFault(FaultPoint::GetCurrentCertificate, 0x0E000002);
    image.setFault(FaultPoint::GenerateRandom, 0x0E000003);
    PluggedToken token(image);
    EXPECT_EQ(StepName(RawSignThroughToken("abc").stoppedAt), std::string("Done"));
    EXPECT_EQ(StepName(SignMessageThroughToken("abc").stoppedAt), std::string("Done"));
}

TEST(Faults, AFaultCodeOfZeroStillFails) {
    PluggedToken token(WithFault(SigningToken(), FaultPoint::ProviderGetUserKey, 0));
    const Outcome outcome = RawSignThroughToken("abc");
    EXPECT_EQ(StepName(outcome.stoppedAt), std::string("UserKey"));
    EXPECT_EQ(outcome.error, static_cast<DWORD>(NTE_FAIL));
}

TEST(Faults, AFaultClearedIsGone) {
    PluggedToken token(WithFault(SigningToken(), FaultPoint::ProviderSignHash, 0x8009F0FF));
    EXPECT_EQ(StepName(RawSignThroughToken("abc").stoppedAt), std::string("Sign"));
    token.replace(SigningToken());
    EXPECT_EQ(StepName(RawSignThroughToken("abc").stoppedAt), std::string("Done"));
}

TEST(TokenRemoval, BetweenEnumerationCalls) {
    PluggedToken token(SigningToken());
    win::ProviderContext context;
    ASSERT_EQ(OpenToken(context, nullptr, CRYPT_SILENT), 0u);
    char name[256];
    DWORD length = sizeof name;
    ASSERT_TRUE(CryptGetProvParam(context.get(), PP_ENUMCONTAINERS, reinterpret_cast<BYTE*>(name), &length, CRYPT_FIRST));
    token.unplug();
    length = sizeof name;
    EXPECT_EQ(ErrorOf([&] { return CryptGetProvParam(context.get(), PP_ENUMCONTAINERS, reinterpret_cast<BYTE*>(name), &length, 0); }),
              kNoToken);
    win::ProviderContext again;
    EXPECT_EQ(OpenToken(again, nullptr, CRYPT_SILENT), kNoToken);
    EXPECT_EQ(OpenToken(again, "LAB-USER-1#7391", 0), kNoToken);
    EXPECT_EQ(StepName(RawSignThroughToken("abc").stoppedAt), std::string("Open"));
}

TEST(TokenRemoval, AfterTheKeyWasTakenAndBackAgain) {
    PluggedToken token(SigningToken());
    TokenKey found;
    DWORD error = 0;
    ASSERT_EQ(StepName(FindTokenKey(CRYPT_SILENT, found, error)), std::string("Done"));
    win::CryptHash hash;
    ASSERT_TRUE(CryptCreateHash(found.context.get(), CALG_SHA1, 0, 0, hash.put()));
    token.unplug();

    DWORD length = 4096;
    std::vector<BYTE> buffer(length);
    EXPECT_EQ(ErrorOf([&] { return CryptGetKeyParam(found.key.get(), KP_CERTIFICATE, buffer.data(), &length, 0); }),
              kNoToken);
    EXPECT_EQ(ErrorOf([&] { return CryptHashData(hash.get(), reinterpret_cast<const BYTE*>("abc"), 3, 0); }), kNoToken);
    length = 0;
    EXPECT_EQ(ErrorOf([&] { return CryptSignHashA(hash.get(), found.keySpec, nullptr, 0, nullptr, &length); }), kNoToken);
    win::CryptKey key;
    EXPECT_EQ(ErrorOf([&] { return CryptGetUserKey(found.context.get(), found.keySpec, key.put()); }), kNoToken);

    // Plugged in again, the handles taken before work on.
    token.replace(SigningToken());
    length = 4096;
    EXPECT_EQ(ErrorOf([&] { return CryptGetKeyParam(found.key.get(), KP_CERTIFICATE, buffer.data(), &length, 0); }), 0u);
    ASSERT_TRUE(CryptHashData(hash.get(), reinterpret_cast<const BYTE*>("abc"), 3, 0));
    std::vector<uint8_t> signature(128);
    length = 128;
    ASSERT_TRUE(CryptSignHashA(hash.get(), found.keySpec, nullptr, 0, signature.data(), &length));
    EXPECT_TRUE(SignatureVerifies(found.certificate, "abc", signature));
}

TEST(TokenRemoval, AnotherTokenWithoutTheContainer) {
    PluggedToken token(SigningToken());
    TokenKey found;
    DWORD error = 0;
    ASSERT_EQ(StepName(FindTokenKey(CRYPT_SILENT, found, error)), std::string("Done"));
    win::CryptHash hash;
    ASSERT_TRUE(CryptCreateHash(found.context.get(), CALG_SHA1, 0, 0, hash.put()));
    token.replace(TokenOf({ContainerFor("OTHER", Identity(AT_KEYEXCHANGE, 1024))}));

    win::CryptKey key;
    EXPECT_EQ(ErrorOf([&] { return CryptGetUserKey(found.context.get(), AT_KEYEXCHANGE, key.put()); }),
              static_cast<DWORD>(NTE_BAD_KEYSET));
    DWORD length = 4096;
    std::vector<BYTE> buffer(length);
    EXPECT_EQ(ErrorOf([&] { return CryptGetKeyParam(found.key.get(), KP_CERTIFICATE, buffer.data(), &length, 0); }),
              static_cast<DWORD>(NTE_BAD_KEYSET));
    length = 0;
    EXPECT_EQ(ErrorOf([&] { return CryptSignHashA(hash.get(), AT_KEYEXCHANGE, nullptr, 0, nullptr, &length); }),
              static_cast<DWORD>(NTE_BAD_KEYSET));
}

TEST(TokenRemoval, ADamagedTokenFileIsNoToken) {
    FILE* file = _wfopen(token::TokenStorePath().c_str(), L"wb");
    ASSERT_NE(file, nullptr);
    std::fputs("VEMOTOK1 but nothing a token holds", file);
    std::fclose(file);
    win::ProviderContext context;
    EXPECT_EQ(OpenToken(context, nullptr, CRYPT_SILENT), static_cast<DWORD>(NTE_KEYSET_ENTRY_BAD));
    EXPECT_TRUE(token::RemoveToken());
}

TEST(TokenRemoval, AKeyThatCannotBeUnprotectedDoesNotSign) {
    token::TokenImage image = SigningToken();
    image.containers[1].protectedKey = {1, 2, 3, 4};
    PluggedToken token(image);
    const Outcome outcome = RawSignThroughToken("abc");
    EXPECT_EQ(StepName(outcome.stoppedAt), std::string("Sign"));
    EXPECT_EQ(outcome.error, static_cast<DWORD>(NTE_KEYSET_ENTRY_BAD));
}

}  // namespace
}  // namespace vemo::test
