// Provisioning leaves no clear copy of a private key or of a PFX password in memory it has
// released: every block released through C++ delete during an import (file reading, decoding,
// the password's conversion, the container's making) is searched for the secrets.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "support/freed_memory_watch.h"
#include "support/token_fixture.h"
#include "token/provision/container_import.h"

namespace vemo::test {
namespace {

using token::provision::ImportResult;

constexpr char kPassword[] = "Vemo-Pfx-Password/7391-provisioning";

std::string Utf16(const std::string& ascii) {
    std::string bytes;
    for (char c : ascii) bytes += {c, '\0'};
    return bytes;
}

// The second-to-last Base64 line of a PEM file: key material past the public modulus.
std::string SecretPemLine(const std::string& fixture) {
    const std::vector<uint8_t> bytes = FixtureBytes(fixture);
    std::vector<std::string> lines(1);
    for (uint8_t byte : bytes) {
        if (byte == '\n') lines.emplace_back();
        else if (byte != '\r') lines.back() += static_cast<char>(byte);
    }
    while (!lines.empty() && (lines.back().empty() || lines.back().compare(0, 5, "-----") == 0)) lines.pop_back();
    EXPECT_GE(lines.size(), 3u);
    return lines.size() >= 2 ? lines[lines.size() - 2] : "";
}

// The secrets of the test PKI user "user1024": 16 bytes of its first prime in both byte orders
// (DER holds it most significant byte first, a key blob least significant first), lines of its
// key files, and the PFX password as typed and in UTF-16.
std::vector<Secret> Secrets() {
    const std::vector<uint8_t> der = FixtureBytes("user1024.key.der");
    BYTE blob[2048];
    DWORD size = sizeof blob;
    EXPECT_TRUE(CryptDecodeObjectEx(X509_ASN_ENCODING, PKCS_RSA_PRIVATE_KEY, der.data(), static_cast<DWORD>(der.size()),
                                    0, nullptr, blob, &size));
    // PRIVATEKEYBLOB: BLOBHEADER, RSAPUBKEY, modulus (128 bytes), prime1 (64 bytes), ...
    const BYTE* prime = blob + sizeof(BLOBHEADER) + sizeof(RSAPUBKEY) + 128;
    std::string littleEndian(reinterpret_cast<const char*>(prime) + 24, 16);
    std::string bigEndian(reinterpret_cast<const char*>(prime), 64);
    std::reverse(bigEndian.begin(), bigEndian.end());
    SecureZeroMemory(blob, sizeof blob);
    return {
        {"prime, most significant byte first", bigEndian.substr(24, 16)},
        {"prime, least significant byte first", littleEndian},
        {"PKCS#1 PEM text", SecretPemLine("user1024.key.pem")},
        {"PKCS#8 PEM text", SecretPemLine("user1024.p8.pem")},
        {"PFX password", kPassword},
        {"PFX password (UTF-16)", Utf16(kPassword)},
    };
}

TEST(ProvisioningSecrets, NoClearCopyIsReleasedUnwiped) {
    const auto pfx = [](const std::string& file, const std::string& password) {
        return [=] { return token::provision::ContainerFromPfxFile(FixturePath(file), password, {}); };
    };
    const auto keyFiles = [](const std::string& key, const std::string& certificate) {
        return [=] {
            return token::provision::ContainerFromKeyFilePaths(FixturePath(key), FixturePath(certificate), {});
        };
    };
    const struct {
        const char* name;
        std::function<ImportResult()> import;
        bool imports;
    } cases[] = {
        {"add-pfx with a password", pfx("user1024-longpass.pfx", kPassword), true},
        {"add-pfx with a wrong password", pfx("user1024-longpass.pfx", std::string(kPassword) + "x"), false},
        {"add-key, PKCS#1 PEM", keyFiles("user1024.key.pem", "user1024.crt.pem"), true},
        {"add-key, PKCS#1 DER", keyFiles("user1024.key.der", "user1024.crt.der"), true},
        {"add-key, PKCS#8 PEM", keyFiles("user1024.p8.pem", "user1024.crt.pem"), true},
        {"add-key, PKCS#8 DER", keyFiles("user1024.p8.der", "user1024.crt.der"), true},
        {"add-key with another user's certificate", keyFiles("user1024.key.pem", "signer.crt.pem"), false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        FreedMemoryWatch watch(Secrets());
        {
            const ImportResult result = row.import();
            EXPECT_EQ(result.container.has_value(), row.imports) << result.error;
        }
        std::string found;
        for (const std::string& name : watch.found()) found += " [" + name + "]";
        EXPECT_EQ(found, "") << "released unwiped, among " << watch.blocksSearched() << " released blocks";
        EXPECT_GT(watch.blocksSearched(), 0u);
    }
}

}  // namespace
}  // namespace vemo::test
