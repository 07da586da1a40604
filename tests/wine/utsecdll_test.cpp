// UTSecDll over the software token: enumeration by index, the current container's name and
// certificate, random bytes, an absent or damaged token, and the faults set on the token.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/token_fixture.h"
#include "token/provision/container_import.h"
#include "token/store/token_store.h"
#include "token/utsecdll/UTSecDll.h"

namespace vemo::test {
namespace {

using token::FaultPoint;
using token::TokenImage;
using token::provision::ContainerWithoutKey;

constexpr uint8_t kCanary = 0xCC;

// "*default*", a user with an exchange key, a signer, a container without key.
TokenImage SampleToken() {
    TokenImage image;
    image.containers.push_back(ContainerWithoutKey("*default*"));
    image.containers.push_back(FixtureContainer("user1024", "LAB-USER-1024"));
    image.containers.push_back(FixtureContainer("signer", "LAB-SIGNER", token::kKeySignature));
    image.containers.push_back(ContainerWithoutKey("no key"));
    return image;
}

int32_t Enumerate(int32_t index) {
    uint32_t count = 0;
    uint32_t keySpec = 0;
    return UTEnumCtn(index, 0, &count, &keySpec);
}

// A certificate record with canary bytes around it and in its unused part.
struct GuardedRecord {
    GuardedRecord() { std::memset(this, kCanary, sizeof *this); }
    bool untouched() const {
        const auto* bytes = reinterpret_cast<const uint8_t*>(this);
        for (size_t i = 0; i < sizeof *this; ++i) {
            if (bytes[i] != kCanary) return false;
        }
        return true;
    }
    uint8_t before[16];
    UT_CERT_RECORD record;
    uint8_t after[16];
};

class UTSecDllTest : public testing::Test {
protected:
    ScopedTokenStore store;
};

TEST_F(UTSecDllTest, EnumerationMakesEachIndexCurrentInStoreOrder) {
    store.plugIn(SampleToken());
    const char* names[] = {"*default*", "LAB-USER-1024", "LAB-SIGNER", "no key"};
    const uint32_t keySpecs[] = {0, token::kKeyExchange, token::kKeySignature, 0};
    for (int32_t index = 1; index <= 4; ++index) {
        uint32_t count = 0;
        uint32_t keySpec = 99;
        ASSERT_EQ(UTEnumCtn(index, 0, &count, &keySpec), UT_OK) << index;
        EXPECT_EQ(count, 4u);
        EXPECT_EQ(keySpec, keySpecs[index - 1]);
        EXPECT_STREQ(UTGetCurCtnName(), names[index - 1]);
    }
    // Going back works too: the index, not a cursor, chooses.
    ASSERT_EQ(Enumerate(2), UT_OK);
    EXPECT_STREQ(UTGetCurCtnName(), "LAB-USER-1024");
}

TEST_F(UTSecDllTest, BadEnumerationLeavesNoContainerCurrent) {
    store.plugIn(SampleToken());
    uint32_t word = 0;
    for (int32_t index : {0, -1, INT32_MIN}) {
        ASSERT_EQ(Enumerate(2), UT_OK);
        EXPECT_EQ(Enumerate(index), UT_ERR_BAD_ARGUMENT) << index;
        EXPECT_STREQ(UTGetCurCtnName(), "");
    }
    ASSERT_EQ(Enumerate(2), UT_OK);
    EXPECT_EQ(Enumerate(5), UT_ERR_NO_CONTAINER);
    EXPECT_STREQ(UTGetCurCtnName(), "");
    GuardedRecord guarded;
    EXPECT_EQ(UTGetCurCert(&guarded.record), UT_ERR_NO_CONTAINER);
    EXPECT_TRUE(guarded.untouched());

    EXPECT_EQ(UTEnumCtn(1, 0, nullptr, &word), UT_ERR_BAD_ARGUMENT);
    EXPECT_EQ(UTEnumCtn(1, 0, &word, nullptr), UT_ERR_BAD_ARGUMENT);
}

TEST_F(UTSecDllTest, NameHasAtLeast100ReadableBytes) {
    store.plugIn(SampleToken());
    ASSERT_EQ(Enumerate(1), UT_OK);
    const char* name = UTGetCurCtnName();
    ASSERT_NE(name, nullptr);
    // What the library copies: 100 bytes, of which "*default*" and zeros.
    char copy[100];
    std::memcpy(copy, name, sizeof copy);
    EXPECT_EQ(std::memcmp(copy, "*default*", 9), 0);
    for (size_t i = 9; i < sizeof copy; ++i) EXPECT_EQ(copy[i], 0) << "byte " << i;
}

TEST_F(UTSecDllTest, LongNameIsCutToTheBuffer) {
    TokenImage image;
    const std::string longName(700, 'N');
    image.containers.push_back(ContainerWithoutKey(longName));
    store.plugIn(image);
    ASSERT_EQ(Enumerate(1), UT_OK);
    const char* name = UTGetCurCtnName();
    EXPECT_EQ(std::string(name), longName.substr(0, UT_NAME_BUFFER_SIZE - 1));
}

TEST_F(UTSecDllTest, EachThreadKeepsItsCopyOfTheName) {
    store.plugIn(SampleToken());
    ASSERT_EQ(Enumerate(2), UT_OK);
    const char* mine = UTGetCurCtnName();
    std::thread([] {
        Enumerate(3);
        UTGetCurCtnName();
    }).join();
    EXPECT_STREQ(mine, "LAB-USER-1024") << "another thread's call changed this thread's name";
}

TEST_F(UTSecDllTest, ConcurrentCallsNeverSeeAHalfWrittenName) {
    TokenImage image;
    std::set<std::string> names{""};
    for (char letter : std::string("ABCDEF")) {
        names.insert(std::string(200, letter));
        image.containers.push_back(ContainerWithoutKey(std::string(200, letter)));
    }
    store.plugIn(image);
    std::vector<std::thread> threads;
    std::vector<std::string> torn(4);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 100; ++i) {
                const int32_t result = Enumerate(1 + (t + i) % 6);
                const std::string name = UTGetCurCtnName();
                if (result != UT_OK || names.count(name) == 0) torn[t] = name;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (const std::string& name : torn) EXPECT_EQ(name, "");
}

TEST_F(UTSecDllTest, CertificateRecordOfTheCurrentContainer) {
    store.plugIn(SampleToken());
    ASSERT_EQ(Enumerate(2), UT_OK);
    GuardedRecord guarded;
    ASSERT_EQ(UTGetCurCert(&guarded.record), UT_OK);
    const std::vector<uint8_t> expected = FixtureBytes("user1024.crt.der");
    ASSERT_EQ(guarded.record.length, expected.size());
    EXPECT_EQ(guarded.record.reserved, token::kKeyExchange);
    EXPECT_EQ(std::vector<uint8_t>(guarded.record.der, guarded.record.der + expected.size()), expected);
    EXPECT_EQ(guarded.record.der[expected.size()], kCanary) << "written past the certificate";
    for (uint8_t byte : guarded.after) EXPECT_EQ(byte, kCanary);

    ASSERT_EQ(Enumerate(3), UT_OK);
    ASSERT_EQ(UTGetCurCert(&guarded.record), UT_OK);
    EXPECT_EQ(guarded.record.length, FixtureBytes("signer.crt.der").size());
    EXPECT_EQ(guarded.record.reserved, token::kKeySignature);
}

TEST_F(UTSecDllTest, ContainersWithoutCertificateFail) {
    store.plugIn(SampleToken());
    for (int32_t index : {1, 4}) {
        ASSERT_EQ(Enumerate(index), UT_OK);
        GuardedRecord guarded;
        EXPECT_EQ(UTGetCurCert(&guarded.record), UT_ERR_NO_CERTIFICATE) << index;
        EXPECT_TRUE(guarded.untouched());
    }
    EXPECT_EQ(UTGetCurCert(nullptr), UT_ERR_BAD_ARGUMENT);
}

TEST_F(UTSecDllTest, CertificateLargerThanTheRecordIsRefused) {
    TokenImage image;
    image.containers.push_back(FixtureContainer("oversized", "big"));
    ASSERT_GT(image.containers[0].certificate.size(), static_cast<size_t>(UT_CERT_MAX_SIZE));
    store.plugIn(image);
    ASSERT_EQ(Enumerate(1), UT_OK);
    GuardedRecord guarded;
    EXPECT_EQ(UTGetCurCert(&guarded.record), UT_ERR_CERT_TOO_LARGE);
    EXPECT_TRUE(guarded.untouched());
}

TEST_F(UTSecDllTest, TokenProvisionedAnewSinceEnumerationIsNoticed) {
    store.plugIn(SampleToken());
    ASSERT_EQ(Enumerate(2), UT_OK);
    TokenImage reordered = SampleToken();
    std::swap(reordered.containers[1], reordered.containers[2]);
    store.plugIn(reordered);
    GuardedRecord guarded;
    EXPECT_EQ(UTGetCurCert(&guarded.record), UT_ERR_NO_CONTAINER) << "another container's certificate";
    EXPECT_TRUE(guarded.untouched());
}

TEST_F(UTSecDllTest, AbsentTokenFailsEveryCall) {
    GuardedRecord guarded;
    uint8_t random[8];
    std::memset(random, kCanary, sizeof random);
    EXPECT_EQ(Enumerate(1), UT_ERR_TOKEN_ABSENT);
    EXPECT_STREQ(UTGetCurCtnName(), "");
    EXPECT_EQ(UTGetCurCert(&guarded.record), UT_ERR_TOKEN_ABSENT);
    EXPECT_EQ(UTGenRandomNumber(sizeof random, random), UT_ERR_TOKEN_ABSENT);
    EXPECT_EQ(UTGenRandomNumber(0, nullptr), UT_ERR_TOKEN_ABSENT);
    EXPECT_TRUE(guarded.untouched());
    for (uint8_t byte : random) EXPECT_EQ(byte, kCanary);
}

TEST_F(UTSecDllTest, TokenPulledOutBetweenCalls) {
    store.plugIn(SampleToken());
    ASSERT_EQ(Enumerate(2), UT_OK);
    ASSERT_TRUE(token::RemoveToken());
    GuardedRecord guarded;
    EXPECT_EQ(UTGetCurCert(&guarded.record), UT_ERR_TOKEN_ABSENT);
    EXPECT_TRUE(guarded.untouched());
}

TEST_F(UTSecDllTest, DamagedTokenFailsEveryCall) {
    std::FILE* file = std::fopen(store.path().c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("VEMOTOK1 but nothing after", file);
    std::fclose(file);
    GuardedRecord guarded;
    uint8_t random[8];
    EXPECT_EQ(Enumerate(1), UT_ERR_TOKEN_DAMAGED);
    EXPECT_EQ(UTGetCurCert(&guarded.record), UT_ERR_TOKEN_DAMAGED);
    EXPECT_EQ(UTGenRandomNumber(sizeof random, random), UT_ERR_TOKEN_DAMAGED);
}

TEST_F(UTSecDllTest, EachFaultPointReturnsItsCode) {
    TokenImage image = SampleToken();
    image.setFault(FaultPoint::GetCurrentCertificate, 0x0E0000C2);
    image.setFault(FaultPoint::GenerateRandom, static_cast<uint32_t>(-5));
    // Faults of the provider are not the library's.
    image.setFault(FaultPoint::ProviderOpen, 0x80090016);
    store.plugIn(image);

    ASSERT_EQ(Enumerate(2), UT_OK);
    GuardedRecord guarded;
    EXPECT_EQ(UTGetCurCert(&guarded.record), 0x0E0000C2);
    EXPECT_TRUE(guarded.untouched());
    uint8_t random[8];
    std::memset(random, kCanary, sizeof random);
    EXPECT_EQ(UTGenRandomNumber(sizeof random, random), -5);
    for (uint8_t byte : random) EXPECT_EQ(byte, kCanary);

    for (uint32_t code : {0x0E0000C1u, 0x80000000u, static_cast<uint32_t>(-9998)}) {
        image.setFault(FaultPoint::EnumContainer, code);
        store.plugIn(image);
        EXPECT_EQ(Enumerate(2), static_cast<int32_t>(code));
        EXPECT_STREQ(UTGetCurCtnName(), "");
    }
}

TEST_F(UTSecDllTest, InjectedSuccessCodeStillEnumerates) {
    // -101 counts as success for the caller, so the container must be current after it.
    TokenImage image = SampleToken();
    image.setFault(FaultPoint::EnumContainer, static_cast<uint32_t>(UT_ENUM_OK_ALSO));
    store.plugIn(image);
    EXPECT_EQ(Enumerate(2), UT_ENUM_OK_ALSO);
    EXPECT_STREQ(UTGetCurCtnName(), "LAB-USER-1024");
    GuardedRecord guarded;
    EXPECT_EQ(UTGetCurCert(&guarded.record), UT_OK);
}

TEST_F(UTSecDllTest, RandomBytesFillExactlyTheBuffer) {
    store.plugIn();
    std::vector<uint8_t> first(72, kCanary), second(72, kCanary);
    ASSERT_EQ(UTGenRandomNumber(64, first.data() + 4), UT_OK);
    ASSERT_EQ(UTGenRandomNumber(64, second.data() + 4), UT_OK);
    for (int i : {0, 1, 2, 3, 68, 69, 70, 71}) EXPECT_EQ(first[i], kCanary) << "byte " << i << " written";
    EXPECT_NE(first, second);

    EXPECT_EQ(UTGenRandomNumber(0, nullptr), UT_OK);
    EXPECT_EQ(UTGenRandomNumber(16, nullptr), UT_ERR_BAD_ARGUMENT);
    std::vector<uint8_t> large(1 << 20);
    EXPECT_EQ(UTGenRandomNumber(static_cast<uint32_t>(large.size()), large.data()), UT_OK);
}

TEST_F(UTSecDllTest, RandomBytesWithoutTheDefaultProvider) {
    // The library falls back to the token exactly when no provider context can be opened.
    store.plugIn();
    DefaultProviderUnavailable unavailable;
    std::vector<uint8_t> buffer(32, 0);
    ASSERT_EQ(UTGenRandomNumber(static_cast<uint32_t>(buffer.size()), buffer.data()), UT_OK);
    EXPECT_NE(buffer, std::vector<uint8_t>(32, 0));
}

}  // namespace
}  // namespace vemo::test
