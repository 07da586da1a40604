// The token store on Windows: where the token file is, plugging in and out, damaged files, and
// private keys that are kept protected yet stay usable.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "support/token_fixture.h"
#include "token/provision/container_import.h"
#include "token/store/token_store.h"

namespace vemo::test {
namespace {

using token::Container;
using token::FaultPoint;
using token::LoadToken;
using token::TokenImage;
using token::TokenState;

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

bool Contains(const std::string& haystack, const uint8_t* needle, size_t size) {
    return std::search(haystack.begin(), haystack.end(), needle, needle + size) != haystack.end();
}

TEST(TokenStore, PathFollowsTheVariable) {
    ScopedTokenStore store;
    const std::wstring path = token::TokenStorePath();
    EXPECT_EQ(std::string(path.begin(), path.end()), store.path());
    {
        ScopedEnvironmentVariable none("VEMO_TOKEN_STORE", "");
        const std::wstring standard = token::TokenStorePath();
        const std::wstring tail = L"\\VemoSoftToken\\token.vtk";
        ASSERT_GT(standard.size(), tail.size());
        EXPECT_EQ(standard.substr(standard.size() - tail.size()), tail);
    }
}

TEST(TokenStore, PluggingInAndOut) {
    ScopedTokenStore store;
    TokenImage image;
    EXPECT_EQ(LoadToken(image), TokenState::Absent);
    EXPECT_TRUE(token::RemoveToken()) << "unplugging an absent token is no failure";

    TokenImage written;
    written.containers.push_back(token::provision::ContainerWithoutKey("*default*"));
    written.containers.push_back(FixtureContainer("user1024", "first"));
    written.setFault(FaultPoint::GenerateRandom, 0x0E0000AB);
    ASSERT_TRUE(token::SaveToken(written));
    EXPECT_FALSE(FileExists(store.path() + ".new")) << "the temporary file was left behind";

    ASSERT_EQ(LoadToken(image), TokenState::Present);
    ASSERT_EQ(image.containers.size(), 2u);
    EXPECT_EQ(image.containers[0].name, "*default*");
    EXPECT_FALSE(image.containers[0].hasKey());
    EXPECT_EQ(image.containers[1].protectedKey, written.containers[1].protectedKey);
    EXPECT_EQ(image.containers[1].certificate, FixtureBytes("user1024.crt.der"));
    EXPECT_EQ(image.faultCode(FaultPoint::GenerateRandom), 0x0E0000ABu);

    // Saving again replaces the token whole.
    ASSERT_TRUE(token::SaveToken(TokenImage{}));
    ASSERT_EQ(LoadToken(image), TokenState::Present);
    EXPECT_TRUE(image.containers.empty());
    EXPECT_TRUE(image.faults.empty());

    EXPECT_TRUE(token::RemoveToken());
    EXPECT_FALSE(FileExists(store.path()));
    EXPECT_EQ(LoadToken(image), TokenState::Absent);
}

TEST(TokenStore, MissingFolderIsCreated) {
    ScopedTokenStore store;
    const std::string folder = store.path() + ".folder";
    ScopedEnvironmentVariable inFolder("VEMO_TOKEN_STORE", folder + "\\token.vtk");
    ASSERT_TRUE(token::SaveToken(TokenImage{}));
    TokenImage image;
    EXPECT_EQ(LoadToken(image), TokenState::Present);
    EXPECT_TRUE(token::RemoveToken());
    RemoveDirectoryA(folder.c_str());
}

TEST(TokenStore, DamagedFilesAreNotTokens) {
    ScopedTokenStore store;
    store.plugIn();
    const std::string good = ReadFileBytes(store.path());
    for (const std::string& damaged : {std::string(), std::string("not a token"), good.substr(0, good.size() - 1),
                                       good + '\0'}) {
        WriteFile(store.path(), damaged);
        TokenImage image;
        EXPECT_EQ(LoadToken(image), TokenState::Damaged) << damaged.size() << " bytes";
    }
}

TEST(TokenStore, PrivateKeysAreProtectedAndComeBackWhole) {
    const Container container = FixtureContainer("user2048", "protected");
    const token::SecretBytes blob = token::UnprotectPrivateKey(container.protectedKey);
    ASSERT_FALSE(blob.empty());
    EXPECT_EQ(blob.data()[0], PRIVATEKEYBLOB);

    const std::vector<uint8_t> again = token::ProtectPrivateKey(blob.data(), blob.size());
    ASSERT_FALSE(again.empty());
    EXPECT_NE(again, container.protectedKey) << "each protection is salted anew";
    const token::SecretBytes back = token::UnprotectPrivateKey(again);
    ASSERT_EQ(back.size(), blob.size());
    EXPECT_TRUE(std::equal(blob.data(), blob.data() + blob.size(), back.data()));

    std::vector<uint8_t> tampered = container.protectedKey;
    tampered[tampered.size() / 2] ^= 0x01;
    EXPECT_TRUE(token::UnprotectPrivateKey(tampered).empty());
    EXPECT_TRUE(token::UnprotectPrivateKey({}).empty());
}

TEST(TokenStore, TokenFileHoldsNoKeyInClear) {
    ScopedTokenStore store;
    TokenImage image;
    image.containers.push_back(FixtureContainer("user1024", "secret"));
    store.plugIn(image);
    const token::SecretBytes blob = token::UnprotectPrivateKey(image.containers[0].protectedKey);
    // PRIVATEKEYBLOB: BLOBHEADER, RSAPUBKEY { magic, bitlen, pubexp }, modulus, prime1, ...
    RSAPUBKEY header;
    ASSERT_GT(blob.size(), sizeof(BLOBHEADER) + sizeof header);
    std::memcpy(&header, blob.data() + sizeof(BLOBHEADER), sizeof header);
    const size_t prime1 = sizeof(BLOBHEADER) + sizeof header + header.bitlen / 8;
    ASSERT_LE(prime1 + header.bitlen / 16, blob.size());
    const std::string file = ReadFileBytes(store.path());
    EXPECT_FALSE(Contains(file, blob.data() + prime1, header.bitlen / 16)) << "a prime is in the file";
    EXPECT_FALSE(Contains(file, blob.data(), blob.size()));
}

TEST(TokenStore, ContainersSignUnderTheirKeySpec) {
    // The key is stored under the container's key spec, whatever it was where it came from.
    for (uint32_t keySpec : {token::kKeyExchange, token::kKeySignature}) {
        for (const char* user : {"user1024", "user2048"}) {
            const Container container = FixtureContainer(user, "key", keySpec);
            EXPECT_EQ(container.keySpec, keySpec);
            EXPECT_TRUE(SignsForItsCertificate(container)) << user << " as key spec " << keySpec;
        }
    }
}

}  // namespace
}  // namespace vemo::test
