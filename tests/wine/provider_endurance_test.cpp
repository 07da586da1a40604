// The provider over many calls and several threads: no handle is left behind by a thousand
// open/sign/release cycles (nor is the DLL kept loaded), nor by signed messages and failing
// calls, and threads signing at once (advapi32 takes no lock around a provider) all succeed.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "support/process_handles.h"
#include "support/test_token.h"
#include "support/token_callers.h"

namespace vemo::test {
namespace {

token::TokenImage SigningToken() {
    return TokenOf({ContainerWithoutKey("*default*"), ContainerWithoutKey("*defalut*"),
                    ContainerFor("LAB-USER-1", Identity(AT_KEYEXCHANGE, 1024))});
}

TEST(Endurance, TheHandleCountSeesAHandle) {
    const DWORD before = HandleCount();
    ASSERT_GT(before, 0u);
    win::KernelHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    EXPECT_EQ(HandleCount(), before + 1);
    event.reset();
    EXPECT_EQ(HandleCount(), before);
}

TEST(Endurance, AThousandSignaturesLeaveNoHandleBehind) {
    PluggedToken token(SigningToken());
    // The first rounds load what stays loaded (the system's providers, crypt32).
    for (int i = 0; i < 3; ++i) ASSERT_EQ(StepName(RawSignThroughToken("warm up").stoppedAt), std::string("Done"));
    // advapi32 unloads the provider with its last context; only a context cached by an earlier
    // CryptSignMessage (see below) keeps it loaded.
    const bool loadedBefore = ProviderLoaded();
    const DWORD before = HandleCount();
    int failures = 0;
    for (int i = 0; i < 1000; ++i) {
        if (RawSignThroughToken("cycle " + std::to_string(i)).stoppedAt != Step::Done) ++failures;
    }
    const DWORD after = HandleCount();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(after, before);
    EXPECT_EQ(ProviderLoaded(), loadedBefore);
    std::printf("process handles before %lu, after %lu; provider loaded before %d, after %d\n", before, after,
                loadedBefore, ProviderLoaded());
}

TEST(Endurance, SignedMessagesLeaveNoHandleBehind) {
    PluggedToken token(SigningToken());
    ASSERT_EQ(StepName(SignMessageThroughToken("warm up").stoppedAt), std::string("Done"));
    const DWORD before = HandleCount();
    int failures = 0;
    // Wine's CryptSignMessage caches the context it opens on the certificate and never releases
    // it, so each message leaves one context of the provider open (no system handle, though).
    for (int i = 0; i < 100; ++i) {
        if (SignMessageThroughToken("message " + std::to_string(i)).stoppedAt != Step::Done) ++failures;
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(HandleCount(), before);
}

TEST(Endurance, FailingCyclesLeaveNoHandleBehind) {
    PluggedToken token(SigningToken());
    const DWORD before = HandleCount();
    for (int i = 0; i < 200; ++i) {
        token::TokenImage image = SigningToken();
        image.setFault(i % 2 ? token::FaultPoint::ProviderSignHash : token::FaultPoint::ProviderHashData, 0x8009F001);
        token.replace(image);
        EXPECT_NE(RawSignThroughToken("x").stoppedAt, Step::Done);
        token.unplug();
        EXPECT_EQ(RawSignThroughToken("x").stoppedAt, Step::Open);
    }
    EXPECT_EQ(HandleCount(), before);
}

TEST(Endurance, ThreadsSigningAtOnce) {
    PluggedToken token(SigningToken());
    const std::vector<uint8_t>& certificate = Identity(AT_KEYEXCHANGE, 1024).certificate;
    // One context kept open, so that the threads share one loaded provider and its tables.
    win::ProviderContext keepLoaded;
    ASSERT_EQ(OpenToken(keepLoaded, nullptr, CRYPT_VERIFYCONTEXT), 0u);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&failures, &certificate, t] {
            for (int i = 0; i < 25; ++i) {
                const std::string data = "thread " + std::to_string(t) + " round " + std::to_string(i);
                const Outcome outcome = RawSignThroughToken(data);
                if (outcome.stoppedAt != Step::Done || !SignatureVerifies(certificate, data, outcome.output)) {
                    ++failures;
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
}  // namespace vemo::test
