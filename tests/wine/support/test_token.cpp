#include "support/test_token.h"

#include <gtest/gtest.h>
#include <wincrypt.h>

#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <utility>

#include "frame/win_handles.h"
#include "support/edition_under_test.h"
#include "token/provision/provider_registration.h"
#include "token/store/token_store.h"

namespace vemo::test {
namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what + " failed with " + std::to_string(GetLastError()));
}

std::vector<uint8_t> EncodedName(const wchar_t* name) {
    DWORD size = 0;
    if (!CertStrToNameW(X509_ASN_ENCODING, name, CERT_X500_NAME_STR, nullptr, nullptr, &size, nullptr)) {
        Fail("CertStrToNameW");
    }
    std::vector<uint8_t> encoded(size);
    if (!CertStrToNameW(X509_ASN_ENCODING, name, CERT_X500_NAME_STR, nullptr, encoded.data(), &size, nullptr)) {
        Fail("CertStrToNameW");
    }
    encoded.resize(size);
    return encoded;
}

// A self-signed certificate, SHA-1 with RSA, for the key of `keySpec` in `provider`, valid from
// a day ago for ten years.
std::vector<uint8_t> SelfSignedCertificate(HCRYPTPROV provider, DWORD keySpec, DWORD bits) {
    DWORD size = 0;
    if (!CryptExportPublicKeyInfo(provider, keySpec, X509_ASN_ENCODING, nullptr, &size)) Fail("export key info");
    std::vector<uint8_t> keyInfo(size);
    auto* publicKey = reinterpret_cast<CERT_PUBLIC_KEY_INFO*>(keyInfo.data());
    if (!CryptExportPublicKeyInfo(provider, keySpec, X509_ASN_ENCODING, publicKey, &size)) Fail("export key info");

    const std::wstring subject = L"CN=Soft token test " + std::to_wstring(bits) +
                                 (keySpec == AT_KEYEXCHANGE ? L" exchange" : L" signature") + L", O=Vemo tests";
    std::vector<uint8_t> name = EncodedName(subject.c_str());
    std::vector<uint8_t> serial(bits / 128);  // stored least significant byte first
    for (size_t i = 0; i < serial.size(); ++i) serial[serial.size() - 1 - i] = static_cast<uint8_t>(i + 1);

    CERT_INFO info{};
    info.dwVersion = CERT_V3;
    info.SerialNumber = {static_cast<DWORD>(serial.size()), serial.data()};
    info.SignatureAlgorithm.pszObjId = const_cast<char*>(szOID_RSA_SHA1RSA);
    info.Issuer = info.Subject = {static_cast<DWORD>(name.size()), name.data()};
    SYSTEMTIME now;
    GetSystemTime(&now);
    FILETIME start;
    SystemTimeToFileTime(&now, &start);
    ULARGE_INTEGER ticks{{start.dwLowDateTime, start.dwHighDateTime}};
    const ULONGLONG day = 24ULL * 3600 * 10000000;
    ULARGE_INTEGER from{}, to{};
    from.QuadPart = ticks.QuadPart - day;
    to.QuadPart = ticks.QuadPart + 3650 * day;
    info.NotBefore = {from.LowPart, from.HighPart};
    info.NotAfter = {to.LowPart, to.HighPart};
    info.SubjectPublicKeyInfo = *publicKey;

    size = 0;
    if (!CryptSignAndEncodeCertificate(provider, keySpec, X509_ASN_ENCODING, X509_CERT_TO_BE_SIGNED, &info,
                                       &info.SignatureAlgorithm, nullptr, nullptr, &size)) {
        Fail("CryptSignAndEncodeCertificate");
    }
    std::vector<uint8_t> certificate(size);
    if (!CryptSignAndEncodeCertificate(provider, keySpec, X509_ASN_ENCODING, X509_CERT_TO_BE_SIGNED, &info,
                                       &info.SignatureAlgorithm, nullptr, certificate.data(), &size)) {
        Fail("CryptSignAndEncodeCertificate");
    }
    certificate.resize(size);
    return certificate;
}

// A key the container refuses (its exported blob does not sign) is made anew, a few times.
TestIdentity MakeIdentity(DWORD keySpec, DWORD bits) {
    constexpr int kAttempts = 5;
    for (int attempt = 1;; ++attempt) {
        win::ProviderContext provider;
        if (!CryptAcquireContextA(provider.put(), nullptr, MS_ENHANCED_PROV_A, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
            Fail("opening the system RSA provider");
        }
        win::CryptKey key;
        if (!CryptGenKey(provider.get(), keySpec, (bits << 16) | CRYPT_EXPORTABLE, key.put())) Fail("CryptGenKey");
        TestIdentity identity;
        identity.keySpec = keySpec;
        identity.bits = bits;
        identity.certificate = SelfSignedCertificate(provider.get(), keySpec, bits);
        token::ContainerProblem problem = token::ContainerProblem::None;
        auto container = token::MakeContainer("", keySpec, key.get(), identity.certificate, &problem);
        if (container) {
            identity.container = std::move(*container);
            return identity;
        }
        if (problem != token::ContainerProblem::KeyDoesNotSign || attempt == kAttempts) Fail("MakeContainer");
        std::printf("[report] test identity: a %lu-bit key made by the system provider does not sign; made anew\n",
                    static_cast<unsigned long>(bits));
    }
}

std::wstring TokenFilePath() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"vemo-provider-tests-" + std::to_wstring(GetCurrentProcessId()) + L".vtk";
}

}  // namespace

static std::map<std::pair<DWORD, DWORD>, TestIdentity>& MadeIdentities() {
    static std::map<std::pair<DWORD, DWORD>, TestIdentity> made;
    return made;
}

const TestIdentity& Identity(DWORD keySpec, DWORD bits) {
    auto& made = MadeIdentities();
    const auto key = std::make_pair(keySpec, bits);
    auto found = made.find(key);
    if (found == made.end()) found = made.emplace(key, MakeIdentity(keySpec, bits)).first;
    return found->second;
}

std::vector<uint8_t> TestIdentityPrivateKey(const std::vector<uint8_t>& certificate) {
    for (const auto& [key, identity] : MadeIdentities()) {
        if (identity.certificate != certificate) continue;
        const token::SecretBytes clear = token::UnprotectPrivateKey(identity.container.protectedKey);
        return std::vector<uint8_t>(clear.data(), clear.data() + clear.size());
    }
    return {};
}

token::Container ContainerFor(const std::string& name, const TestIdentity& identity, bool withCertificate) {
    token::Container container = identity.container;
    container.name = name;
    if (!withCertificate) container.certificate.clear();
    return container;
}

token::Container ContainerWithoutKey(const std::string& name) {
    token::Container container;
    container.name = name;
    return container;
}

token::TokenImage TokenOf(std::vector<token::Container> containers) {
    token::TokenImage image;
    image.containers = std::move(containers);
    return image;
}

PluggedToken::PluggedToken(const token::TokenImage& image) { replace(image); }

PluggedToken::~PluggedToken() { unplug(); }

void PluggedToken::unplug() { EXPECT_TRUE(token::RemoveToken()); }

void PluggedToken::replace(const token::TokenImage& image) { ASSERT_TRUE(token::SaveToken(image)); }

std::wstring ProviderDllPath() {
    // <build>/tests/wine/provider_tests.exe -> <build>/token/provider/SoftTokenCsp.dll
    const std::wstring relative = ProgramDirectory() + L"\\..\\..\\token\\provider\\SoftTokenCsp.dll";
    wchar_t full[MAX_PATH] = {};
    GetFullPathNameW(relative.c_str(), MAX_PATH, full, nullptr);
    return full;
}

void PrepareProviderTests() {
    SetEnvironmentVariableW(token::kTokenStoreVariable, TokenFilePath().c_str());
    token::RemoveToken();
    RegisterProviderOfThisBuild();
}

void RegisterProviderOfThisBuild() {
    if (GetFileAttributesW(ProviderDllPath().c_str()) == INVALID_FILE_ATTRIBUTES) {
        throw std::runtime_error("the provider DLL is missing beside the test program");
    }
    const std::wstring dll = ProviderDllPath();
    std::string error;
    if (!token::provision::RegisterTokenProvider(std::string(dll.begin(), dll.end()), error)) {
        throw std::runtime_error("cannot register the provider: " + error);
    }
}

}  // namespace vemo::test
