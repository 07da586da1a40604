#include "support/token_fixture.h"

#include "support/edition_under_test.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include "frame/win_handles.h"

#include "token/provision/container_import.h"
#include "token/provision/key_files.h"
#include "token/store/token_store.h"

namespace vemo::test {
namespace {

std::string NewTokenPath() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    static unsigned counter = 0;
    return std::string(temp) + "vemo-token-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++counter) + ".vtk";
}

}  // namespace

std::string FixtureDirectory() {
    // A copy of the test PKI beside the program (or its folder), as the verification kit ships
    // it, before the build's own.
    static const std::string directory = [] {
        const std::wstring program = ProgramDirectory();
        for (const wchar_t* candidate : {L"\\pki", L"\\..\\pki"}) {
            const std::wstring path = program + candidate;
            const DWORD attributes = GetFileAttributesW(path.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                return std::string(path.begin(), path.end());
            }
        }
        return std::string(VEMO_FIXTURE_DIR);
    }();
    return directory;
}

std::string FixturePath(const std::string& name) { return FixtureDirectory() + "\\" + name; }

std::vector<uint8_t> FixtureBytes(const std::string& name) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(token::provision::ReadWholeFile(FixturePath(name), bytes, error)) << error;
    return bytes;
}

token::Container FixtureContainer(const std::string& user, const std::string& name, uint32_t keySpec) {
    const token::provision::ImportResult imported = token::provision::ContainerFromKeyFiles(
        FixtureBytes(user + ".key.pem"), FixtureBytes(user + ".crt.der"), {name, keySpec});
    EXPECT_TRUE(imported.container) << imported.error;
    return imported.container.value_or(token::Container{});
}

bool SignsForItsCertificate(const token::Container& container) {
    const token::SecretBytes blob = token::UnprotectPrivateKey(container.protectedKey);
    const win::CertificateContext certificate(CertCreateCertificateContext(
        X509_ASN_ENCODING, container.certificate.data(), static_cast<DWORD>(container.certificate.size())));
    win::ProviderContext context;
    win::CryptKey privateKey, publicKey;
    win::CryptHash signedHash, verifiedHash;
    const BYTE data[] = "signed by the token";
    BYTE signature[512];
    DWORD size = sizeof signature;
    return !blob.empty() && certificate &&
           CryptAcquireContextA(context.put(), nullptr, MS_ENHANCED_PROV_A, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
           CryptImportKey(context.get(), blob.data(), static_cast<DWORD>(blob.size()), 0, 0, privateKey.put()) &&
           CryptCreateHash(context.get(), CALG_SHA1, 0, 0, signedHash.put()) &&
           CryptHashData(signedHash.get(), data, sizeof data, 0) &&
           CryptSignHashA(signedHash.get(), container.keySpec, nullptr, 0, signature, &size) &&
           CryptImportPublicKeyInfo(context.get(), X509_ASN_ENCODING,
                                    &certificate.get()->pCertInfo->SubjectPublicKeyInfo, publicKey.put()) &&
           CryptCreateHash(context.get(), CALG_SHA1, 0, 0, verifiedHash.put()) &&
           CryptHashData(verifiedHash.get(), data, sizeof data, 0) &&
           CryptVerifySignatureA(verifiedHash.get(), signature, size, publicKey.get(), nullptr, 0);
}

ScopedTokenStore::ScopedTokenStore() : path_(NewTokenPath()), variable_("VEMO_TOKEN_STORE", path_) {}

ScopedTokenStore::~ScopedTokenStore() { DeleteFileA(path_.c_str()); }

void ScopedTokenStore::plugIn(const token::TokenImage& image) { ASSERT_TRUE(token::SaveToken(image)) << path_; }

}  // namespace vemo::test
