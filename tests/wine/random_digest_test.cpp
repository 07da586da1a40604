// Random bytes, the SHA-1 digest and the digests of C_VEMO_HashEx, through the edition's exports.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>
#include <sddl.h>

#include "CVemoDll_C.h"
#include "frame/user_lock.h"
#include "support/edition_under_test.h"
#include "support/hex_text.h"
#include "support/scoped_environment.h"
#include "token/utsecdll/UTSecDll.h"

namespace vemo::test {
namespace {

// The digest of `text` with the given first argument; canaries around the 20 bytes show that
// nothing else of the buffer was written.
std::string DigestOf(const std::string& text, int32_t ignored = 0) {
    uint8_t buffer[28];
    std::memset(buffer, 0xCC, sizeof buffer);
    uint32_t length = 0xDEADBEEF;
    const int32_t result = Edition().hash(ignored, reinterpret_cast<const uint8_t*>(text.data()),
                                          static_cast<uint32_t>(text.size()), buffer + 4, &length);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(length, 20u);
    for (int i : {0, 1, 2, 3, 24, 25, 26, 27}) EXPECT_EQ(buffer[i], 0xCC) << "byte " << i << " written";
    return Hex(buffer + 4, 20);
}

TEST(Digest, KnownValues) {
    EXPECT_EQ(DigestOf("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(DigestOf(""), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(DigestOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
}

TEST(Digest, FirstArgumentIsIgnored) {
    for (int32_t ignored : {0, 1, 11, -1, 0x7FFFFFFF}) {
        EXPECT_EQ(DigestOf("abc", ignored), "a9993e364706816aba3e25717850c26c9cd0d89d");
    }
}

TEST(Digest, LargeInput) {
    const std::string million(1000000, 'a');
    EXPECT_EQ(DigestOf(million), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(Digest, RepeatedCallsReuseTheWorkingContainer) {
    // The first call may find "temporary" absent or present; every later one finds it present.
    for (int i = 0; i < 5; ++i) EXPECT_EQ(DigestOf("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

TEST(Digest, MissingArgumentsAreRefused) {
    uint8_t digest[20] = {};
    uint32_t length = 7;
    const uint8_t data[] = {1, 2, 3};
    EXPECT_EQ(Edition().hash(0, data, 3, nullptr, &length), SPC_INPUTARG_ERROR_01);
    EXPECT_EQ(Edition().hash(0, data, 3, digest, nullptr), SPC_INPUTARG_ERROR_01);
    EXPECT_EQ(Edition().hash(0, nullptr, 3, digest, &length), SPC_INPUTARG_ERROR_01);
    EXPECT_EQ(length, 7u);
    // No data and no length is the empty input.
    EXPECT_EQ(Edition().hash(0, nullptr, 0, digest, &length), 0);
    EXPECT_EQ(Hex(digest, 20), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
}

TEST(Digest, ConcurrentProcessesDoNotBreakEachOther) {
    // Each child deletes and re-creates the shared container "temporary" 100 times; without the
    // lock their sequences interleave and calls fail.
    int failed = 0;
    for (const auto& child : StartLoopingChildren(3, L"--hash-loop=100")) failed += child->wait() == 0 ? 0 : 1;
    EXPECT_EQ(failed, 0) << "processes with failed calls";
}

// The current user's SID as text, read independently of the library.
std::string UserSid() {
    HANDLE token = nullptr;
    EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    BYTE buffer[256];
    DWORD size = 0;
    char* text = nullptr;
    EXPECT_TRUE(GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size));
    CloseHandle(token);
    EXPECT_TRUE(ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text));
    const std::string sid = text ? text : "";
    LocalFree(text);
    return sid;
}

// A mutex named `name`, made (or opened) with the security descriptor `sddl` (empty: the
// default) and held by this thread while the object lives.
struct HeldMutex {
    HeldMutex(const std::wstring& name, const std::wstring& sddl) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (!sddl.empty()) {
            ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr);
        }
        SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
        mutex = CreateMutexW(&attributes, FALSE, name.c_str());  // an existing one is opened, not taken
        LocalFree(descriptor);
        EXPECT_EQ(WaitForSingleObject(mutex, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    }
    ~HeldMutex() { ReleaseMutex(mutex), CloseHandle(mutex); }
    HANDLE mutex;
};

// The lock of the user's working container: the user's other programs wait for each other
// there, and nothing another account makes stalls them. Under Wine (no private namespaces) the
// lock is the named mutex that the user owns; another account's object is made here with
// another owner, which Wine lets a test set.
TEST(Digest, TheUsersLockHoldsOnlyTheUsersOwnPrograms) {
    const std::string sidText = UserSid();
    const std::wstring sid(sidText.begin(), sidText.end()), named = L".working-container." + sid;
    const std::wstring userOnly = L"O:" + sid + L"D:P(A;;GA;;;" + sid + L")";
    const std::wstring otherAccount = L"O:S-1-5-21-1-2-3-1001D:P(A;;GA;;;WD)";
    const struct {
        const char* name;
        std::wstring held, sddl;
        bool waits;
    } rows[] = {
        {"another program of the user holds the lock", L"Global\\" + std::wstring(kLockName) + named, userOnly, true},
        {"another account holds the lock's old name", L"Global\\CVemoDll_C.temporary." + sid, L"", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::atomic<bool> done{false};
        std::thread caller;
        {
            const HeldMutex held(row.held, row.sddl);
            caller = std::thread([&] { done = !DigestOf("abc").empty(); });
            for (int waited = 0; !done && waited < 20; ++waited) Sleep(50);
            EXPECT_EQ(done, !row.waits);
        }
        caller.join();
        EXPECT_TRUE(done);
    }

    // The lock made afresh under a name of this test (the library's own name exists once it is
    // made): another account's objects under the names are passed over.
    const std::wstring name = L"CVemoDll_C-test-" + std::to_wstring(GetCurrentProcessId());
    const struct {
        const char* name;
        std::vector<std::wstring> takenByAnotherAccount;
        UserLockKind kind;
    } fresh[] = {
        {"no object yet", {}, UserLockKind::OwnedName},
        {"the global name taken", {L"Global\\" + name + named}, UserLockKind::OwnedName},
        {"both names taken", {L"Global\\" + name + named, L"Local\\" + name + named}, UserLockKind::ProcessOnly},
    };
    for (const auto& row : fresh) {
        SCOPED_TRACE(row.name);
        std::vector<std::unique_ptr<HeldMutex>> taken;
        for (const std::wstring& object : row.takenByAnotherAccount) {
            taken.push_back(std::make_unique<HeldMutex>(object, otherAccount));
        }
        MadeUserLock made;
        DWORD error = 0;
        ASSERT_TRUE(MakeUserLock(name, made, error)) << error;
        EXPECT_EQ(made.kind, row.kind);
    }
}

TEST(Digest, DefaultProviderUnavailableReturnsThePlatformError) {
    ScopedWorkingDirectory directory;  // the token edition logs the failure here
    DefaultProviderUnavailable unavailable;
    uint8_t digest[20];
    std::memset(digest, 0xCC, sizeof digest);
    uint32_t length = 0xDEADBEEF;
    const int32_t result = Edition().hash(0, reinterpret_cast<const uint8_t*>("abc"), 3, digest, &length);
    EXPECT_EQ(static_cast<uint32_t>(result) & 0xFFFF0000u, 0x80090000u) << std::hex << result;
    EXPECT_EQ(length, 0xDEADBEEFu);
    EXPECT_EQ(digest[0], 0xCC);
}

// C_VEMO_HashEx: the FIPS 180 values of every algorithm, a buffer of exactly the digest's
// length between canaries, also with the default provider (PROV_RSA_FULL) unavailable: the
// digest needs only the AES-capable provider's verification context.
TEST(DigestEx, KnownValuesOfEveryAlgorithm) {
    const std::string million(1000000, 'a');
    const struct {
        uint32_t algorithm;
        std::string data;
        const char* digest;
    } cases[] = {
        {CVEMO_SHA1, "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {CVEMO_SHA256, "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {CVEMO_SHA256, "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {CVEMO_SHA256, million, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        {CVEMO_SHA384, "abc", "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7"},
        {CVEMO_SHA512, million, "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973ebde0ff244877ea60a4cb0432ce57"
                                "7c31beb009c5c2c49aa2e4eadb217ad8cc09b"},
        // 16 MB, as openssl hashes it: no limit of the library's own.
        {CVEMO_SHA256, std::string(16 << 20, 'a'), "5b6ff2e19d0da0fe323061018fc381393492884e74af8296c81ab9cb2694783a"},
    };
    for (const bool withoutDefaultProvider : {false, true}) {
        std::unique_ptr<DefaultProviderUnavailable> unavailable;
        if (withoutDefaultProvider) unavailable = std::make_unique<DefaultProviderUnavailable>();
        for (const auto& c : cases) {
            const size_t size = std::strlen(c.digest) / 2;
            std::vector<uint8_t> buffer(size + 8, 0xCC);
            uint32_t length = static_cast<uint32_t>(size);
            ASSERT_EQ(Edition().hashEx(c.algorithm, reinterpret_cast<const uint8_t*>(c.data.data()),
                                       static_cast<uint32_t>(c.data.size()), buffer.data() + 4, &length),
                      0)
                << std::hex << c.algorithm;
            EXPECT_EQ(length, size);
            EXPECT_EQ(Hex(buffer.data() + 4, size), c.digest);
            for (size_t i : {size_t{0}, size_t{3}, size + 4, size + 7}) EXPECT_EQ(buffer[i], 0xCC) << "byte " << i;
        }
    }
}

TEST(Random, ZeroLengthWritesNothing) {
    uint8_t buffer[4] = {0xCC, 0xCC, 0xCC, 0xCC};
    EXPECT_EQ(Edition().generateRandom(buffer, 0), 0);
    EXPECT_EQ(buffer[0], 0xCC);
    EXPECT_EQ(Edition().generateRandom(nullptr, 0), 0);
}

TEST(Random, FillsExactlyTheRequestedBytes) {
    std::vector<uint8_t> first(72, 0xCC), second(72, 0xCC);
    ASSERT_EQ(Edition().generateRandom(first.data() + 4, 64), 0);
    ASSERT_EQ(Edition().generateRandom(second.data() + 4, 64), 0);
    for (int i : {0, 1, 2, 3, 68, 69, 70, 71}) EXPECT_EQ(first[i], 0xCC) << "byte " << i << " written";
    EXPECT_NE(first, second);
}

TEST(Random, NullBufferIsRefused) {
    EXPECT_EQ(Edition().generateRandom(nullptr, 16), SPC_INPUTARG_ERROR_01);
}

TEST(Random, DefaultProviderUnavailable) {
    // The token editions fall back to the token's generator and return exactly its code: with no
    // token plugged in, the token library's "absent" code. The picker edition has no fallback.
    ScopedWorkingDirectory directory;  // the token edition logs the token's failure here
    ScopedEnvironmentVariable noToken("VEMO_TOKEN_STORE", "C:\\no-such-token\\token.vtk");
    DefaultProviderUnavailable unavailable;
    uint8_t buffer[16] = {};
    EXPECT_EQ(Edition().generateRandom(buffer, sizeof buffer), Edition().usesToken() ? UT_ERR_TOKEN_ABSENT : -1);
}

}  // namespace
}  // namespace vemo::test
