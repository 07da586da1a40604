#include "support/signing_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <regex>

#include "support/edition_under_test.h"
#include "support/scoped_environment.h"
#include "support/token_callers.h"
#include "support/token_fixture.h"
#include "token/provision/key_files.h"

namespace vemo::test {

Bytes FixtureSignature(const std::string& user, const std::string& data, ALG_ID hashAlgorithm) {
    std::string error;
    const token::SecretBytes blob = token::provision::PrivateKeyBlob(FixtureBytes(user + ".key.pem"), error);
    win::ProviderContext system;
    win::CryptKey key;
    win::CryptHash hash;
    Bytes value(1024);
    DWORD size = static_cast<DWORD>(value.size());
    const bool signedIt =
        !blob.empty() &&
        CryptAcquireContextA(system.put(), nullptr, MS_ENH_RSA_AES_PROV_A, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
        CryptImportKey(system.get(), blob.data(), static_cast<DWORD>(blob.size()), 0, 0, key.put()) &&
        CryptCreateHash(system.get(), hashAlgorithm, 0, 0, hash.put()) &&
        CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()), 0) &&
        CryptSignHashA(hash.get(), AT_KEYEXCHANGE, nullptr, 0, value.data(), &size);
    EXPECT_TRUE(signedIt) << user << ": " << error << " " << GetLastError();
    value.resize(signedIt ? size : 0);
    std::reverse(value.begin(), value.end());
    return value;
}

Bytes PlatformSignedMessage(const std::string& user, const std::string& content, const char* digestOid,
                            bool attributes, bool detached) {
    std::string error;
    const token::SecretBytes blob = token::provision::PrivateKeyBlob(FixtureBytes(user + ".key.pem"), error);
    win::ProviderContext aes;
    win::CryptKey key;
    EXPECT_TRUE(!blob.empty() && CryptAcquireContextA(aes.put(), nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
                CryptImportKey(aes.get(), blob.data(), static_cast<DWORD>(blob.size()), 0, 0, key.put()))
        << user << ": " << error << " " << GetLastError();
    const Bytes der = FixtureBytes(user + ".crt.der");
    const win::CertificateContext certificate(
        CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())));
    // The key's context, lent to the certificate: released here, not with the certificate.
    CERT_KEY_CONTEXT keyContext{sizeof keyContext, {aes.get()}, AT_KEYEXCHANGE};
    EXPECT_TRUE(CertSetCertificateContextProperty(certificate.get(), CERT_KEY_CONTEXT_PROP_ID,
                                                  CERT_STORE_NO_CRYPT_RELEASE_FLAG, &keyContext));

    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    BYTE time[32];
    DWORD timeSize = sizeof time;
    EXPECT_TRUE(CryptEncodeObject(X509_ASN_ENCODING, szOID_RSA_signingTime, &now, time, &timeSize));
    CRYPT_ATTR_BLOB timeValue{timeSize, time};
    CRYPT_ATTRIBUTE signingTime{const_cast<char*>(szOID_RSA_signingTime), 1, &timeValue};
    PCCERT_CONTEXT carried = certificate.get();
    CRYPT_SIGN_MESSAGE_PARA parameters{};
    parameters.cbSize = sizeof parameters;
    parameters.dwMsgEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
    parameters.pSigningCert = certificate.get();
    parameters.HashAlgorithm.pszObjId = const_cast<char*>(digestOid);
    parameters.cMsgCert = 1;
    parameters.rgpMsgCert = &carried;
    parameters.cAuthAttr = attributes ? 1 : 0;
    parameters.rgAuthAttr = attributes ? &signingTime : nullptr;
    const BYTE* items[] = {reinterpret_cast<const BYTE*>(content.data())};
    DWORD sizes[] = {static_cast<DWORD>(content.size())};
    DWORD size = 0;
    Bytes message;
    if (CryptSignMessage(&parameters, detached, 1, items, sizes, nullptr, &size)) {
        message.resize(size);
        if (!CryptSignMessage(&parameters, detached, 1, items, sizes, message.data(), &size)) size = 0;
    }
    EXPECT_NE(size, 0u) << user << " " << digestOid << ": CryptSignMessage failed, " << GetLastError();
    message.resize(size);
    return message;
}

Bytes CertificateWithSerial(size_t bytes) {
    win::ProviderContext system;
    win::CryptKey key;
    EXPECT_TRUE(CryptAcquireContextA(system.put(), nullptr, MS_ENHANCED_PROV_A, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
    EXPECT_TRUE(CryptGenKey(system.get(), AT_SIGNATURE, 512 << 16, key.put()));
    DWORD size = 0;
    CryptExportPublicKeyInfo(system.get(), AT_SIGNATURE, X509_ASN_ENCODING, nullptr, &size);
    Bytes keyInfo(size);
    auto* publicKey = reinterpret_cast<CERT_PUBLIC_KEY_INFO*>(keyInfo.data());
    EXPECT_TRUE(CryptExportPublicKeyInfo(system.get(), AT_SIGNATURE, X509_ASN_ENCODING, publicKey, &size));

    BYTE name[64];
    DWORD nameSize = sizeof name;
    EXPECT_TRUE(CertStrToNameA(X509_ASN_ENCODING, "CN=Serial test", CERT_X500_NAME_STR, nullptr, name, &nameSize,
                               nullptr));
    Bytes serial(bytes);  // least significant byte first; the top byte stays below 0x80
    for (size_t i = 0; i < bytes; ++i) serial[i] = static_cast<uint8_t>(0x11 + i);
    CERT_INFO info{};
    info.dwVersion = CERT_V3;
    info.SerialNumber = {static_cast<DWORD>(serial.size()), serial.data()};
    info.SignatureAlgorithm.pszObjId = const_cast<char*>(szOID_RSA_SHA1RSA);
    info.Issuer = info.Subject = {nameSize, name};
    info.NotBefore = {0, 0x01C00000};
    info.NotAfter = {0, 0x02000000};
    info.SubjectPublicKeyInfo = *publicKey;
    Bytes certificate(4096);
    size = static_cast<DWORD>(certificate.size());
    EXPECT_TRUE(CryptSignAndEncodeCertificate(system.get(), AT_SIGNATURE, X509_ASN_ENCODING, X509_CERT_TO_BE_SIGNED,
                                              &info, &info.SignatureAlgorithm, nullptr, certificate.data(), &size));
    certificate.resize(size);
    return certificate;
}

CVEMO_SIGNATURE_RECORD RecordOf(const Bytes& value) {
    CVEMO_SIGNATURE_RECORD record{};
    if (value.size() > sizeof record.signature) {
        ADD_FAILURE() << "a " << value.size() << "-byte signature does not fit a record";
        return record;
    }
    std::memcpy(record.marker, CVEMO_SIGNATURE_MARKER, sizeof record.marker);
    std::memcpy(record.serial_number, "0102", 4);
    record.signature_length = static_cast<int32_t>(value.size());
    std::copy(value.begin(), value.end(), record.signature);
    return record;
}

Bytes ValueOf(const CVEMO_SIGNATURE_RECORD& record) {
    const auto length = static_cast<size_t>(std::clamp(record.signature_length, 0, 300));
    return Bytes(record.signature, record.signature + length);
}

std::string SerialOf(const CVEMO_SIGNATURE_RECORD& record) {
    return std::string(record.serial_number, strnlen(record.serial_number, sizeof record.serial_number));
}

int32_t VerifyWith(const Bytes& keyData, const std::string& data, const CVEMO_SIGNATURE_RECORD& record,
                   int32_t hashSelector) {
    Bytes copy = keyData;
    return Edition().verifySign(copy.data(), static_cast<int32_t>(copy.size()), hashSelector,
                                reinterpret_cast<const uint8_t*>(data.data()), static_cast<uint32_t>(data.size()),
                                &record);
}

int32_t VerifyDataWith(const Bytes& keyData, const std::string& data, const Bytes& signature, uint32_t algorithm) {
    return Edition().verifyData(algorithm, keyData.data(), static_cast<uint32_t>(keyData.size()),
                                reinterpret_cast<const uint8_t*>(data.data()), static_cast<uint32_t>(data.size()),
                                signature.data(), static_cast<uint32_t>(signature.size()));
}

namespace {

std::string Narrow(const wchar_t* wide) { return wide == nullptr ? std::string() : std::string(wide, wide + wcslen(wide)); }

// The certificate of the user's PFX file, imported with its key; `container` and `provider`
// tell where the import put the key.
win::CertificateContext ImportedFromPfx(const std::string& user, std::string& container, std::string& provider) {
    const Bytes pfx = FixtureBytes(user + ".pfx");
    CRYPT_DATA_BLOB blob{static_cast<DWORD>(pfx.size()), const_cast<BYTE*>(pfx.data())};
    const win::CertStore imported(PFXImportCertStore(&blob, L"test", CRYPT_USER_KEYSET));
    win::CertificateContext certificate(
        imported ? CertDuplicateCertificateContext(CertEnumCertificatesInStore(imported.get(), nullptr)) : nullptr);
    DWORD size = 0;
    if (certificate) CertGetCertificateContextProperty(certificate.get(), CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size);
    Bytes info(size);
    if (size != 0 &&
        CertGetCertificateContextProperty(certificate.get(), CERT_KEY_PROV_INFO_PROP_ID, info.data(), &size)) {
        const auto* location = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(info.data());
        container = Narrow(location->pwszContainerName);
        provider = Narrow(location->pwszProvName);
    }
    EXPECT_TRUE(certificate && !container.empty()) << user << ".pfx does not import: " << GetLastError();
    return certificate;
}

// The user's certificate with its key imported from the key file into the container
// `container` of the system's provider, as an exchange key.
win::CertificateContext WithKeyFile(const std::string& user, const std::string& container) {
    std::string error;
    const token::SecretBytes blob = token::provision::PrivateKeyBlob(FixtureBytes(user + ".key.pem"), error);
    HCRYPTPROV deleted = 0;
    CryptAcquireContextA(&deleted, container.c_str(), MS_ENHANCED_PROV_A, PROV_RSA_FULL, CRYPT_DELETEKEYSET);
    win::ProviderContext context;
    win::CryptKey key;
    EXPECT_TRUE(CryptAcquireContextA(context.put(), container.c_str(), MS_ENHANCED_PROV_A, PROV_RSA_FULL,
                                     CRYPT_NEWKEYSET) &&
                CryptImportKey(context.get(), blob.data(), static_cast<DWORD>(blob.size()), 0, 0, key.put()))
        << user << ": " << error << " " << GetLastError();
    const Bytes der = FixtureBytes(user + ".crt.der");
    win::CertificateContext certificate(
        CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())));
    std::wstring wideContainer(container.begin(), container.end());
    CRYPT_KEY_PROV_INFO location{};
    location.pwszContainerName = wideContainer.data();
    location.pwszProvName = const_cast<wchar_t*>(MS_ENHANCED_PROV_W);
    location.dwProvType = PROV_RSA_FULL;
    location.dwKeySpec = AT_KEYEXCHANGE;
    EXPECT_TRUE(CertSetCertificateContextProperty(certificate.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &location));
    return certificate;
}

// Removes the certificate from the current user's "MY" store. Wine 8 answers
// CertDeleteCertificateFromStore there with success but keeps the certificate, so its registry
// key (named by the certificate's SHA-1 thumbprint) is removed instead.
void RemoveFromPersonalStore(const Bytes& der) {
    BYTE thumbprint[20];
    DWORD size = sizeof thumbprint;
    ASSERT_TRUE(CryptHashCertificate(0, CALG_SHA1, 0, der.data(), static_cast<DWORD>(der.size()), thumbprint, &size));
    std::string key = "Software\\Microsoft\\SystemCertificates\\MY\\Certificates\\";
    static const char digits[] = "0123456789ABCDEF";
    for (BYTE b : thumbprint) key += {digits[b >> 4], digits[b & 15]};
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
}

}  // namespace

PersonalCertificate::PersonalCertificate(const std::string& user, KeySource key)
    : certificate_(FixtureBytes(user + ".crt.der")) {
    win::CertificateContext certificate;
    switch (key) {
    case KeySource::None:
        certificate.reset(
            CertCreateCertificateContext(X509_ASN_ENCODING, certificate_.data(), static_cast<DWORD>(certificate_.size())));
        break;
    case KeySource::KeyFile:
        keyContainer_ = "vemo-test-" + user;
        keyProvider_ = MS_ENHANCED_PROV_A;
        certificate = WithKeyFile(user, keyContainer_);
        break;
    case KeySource::Pfx:
        certificate = ImportedFromPfx(user, keyContainer_, keyProvider_);
        break;
    }
    RemoveFromPersonalStore(certificate_);  // what an earlier run may have left, with its properties
    // The store writes what is added when it is closed (a context of it kept would keep it open).
    const win::CertStore personal(CertOpenSystemStoreA(0, "MY"));
    EXPECT_TRUE(certificate &&
                CertAddCertificateContextToStore(personal.get(), certificate.get(), CERT_STORE_ADD_REPLACE_EXISTING,
                                                 nullptr))
        << user;
}

PersonalCertificate::~PersonalCertificate() {
    RemoveFromPersonalStore(certificate_);
    if (!keyContainer_.empty()) {
        HCRYPTPROV deleted = 0;
        CryptAcquireContextA(&deleted, keyContainer_.c_str(), keyProvider_.empty() ? nullptr : keyProvider_.c_str(),
                             PROV_RSA_FULL, CRYPT_DELETEKEYSET);
    }
}

MessageBoxWatcher::MessageBoxWatcher() {
    thread_ = std::thread([this] {
        while (!stop_) {
            if (HWND box = FindWindowA("#32770", "CVemoDll_C")) {
                // The message box's text control, read whole (a box may show kilobytes).
                const HWND control = GetDlgItem(box, 0xFFFF);
                std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
                text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
                {
                    std::lock_guard<std::mutex> hold(lock_);
                    texts_.push_back(text);
                }
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
                while (!stop_ && IsWindow(box)) std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            // Often enough that a test showing a thousand boxes is not kept waiting.
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
}

MessageBoxWatcher::~MessageBoxWatcher() {
    stop_ = true;
    thread_.join();
}

std::vector<std::wstring> MessageBoxWatcher::texts() {
    std::lock_guard<std::mutex> hold(lock_);
    return texts_;
}

std::wstring AsShown(const char* text) {
    std::wstring wide(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(wcslen(wide.c_str()));
    return wide;
}

namespace {
std::string& InteropFolder() {
    static std::string folder;
    return folder;
}
std::string& MessageFolder() {
    static std::string folder;
    return folder;
}
}  // namespace

void SetRawInteropFolder(const std::string& folder) { InteropFolder() = folder; }
const std::string& RawInteropFolder() { return InteropFolder(); }
void SetMessageInteropFolder(const std::string& folder) { MessageFolder() = folder; }
const std::string& MessageInteropFolder() { return MessageFolder(); }

namespace {

// A message as a pattern: itself, "%08x" standing for any such code.
std::string MessagePattern(const std::string& message) {
    std::string escaped;
    for (char c : message) {
        if (std::strchr("\\^$.|?*+()[]{}", c) != nullptr) escaped += '\\';
        escaped += c;
    }
    return std::regex_replace(escaped, std::regex("%08x"), "[0-9a-f]{8}");
}

}  // namespace

void ExpectWrittenDown(const std::vector<std::string>& messages) {
    if (!Edition().writesUserLog()) {
        EXPECT_TRUE(ListFolder(".").empty()) << "the " << Edition().name() << " edition writes nothing here";
        return;
    }
    if (messages.empty()) {
        EXPECT_FALSE(FileExists(TodaysUserLogName())) << ReadFileBytes(TodaysUserLogName());
        return;
    }
    std::string pattern;
    for (const std::string& message : messages) {
        pattern += "\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2} \\[ERROR\\]" + MessagePattern(message) +
                   ",Line \\d+\n\n";
    }
    const std::string log = ReadFileBytes(TodaysUserLogName());
    EXPECT_TRUE(std::regex_match(log, std::regex(pattern))) << log;
}

void ExpectReported(const std::vector<std::string>& logged, const std::vector<std::string>& traced) {
    if (!Edition().writesTrace()) {
        ExpectWrittenDown(Edition().writesUserLog() ? logged : std::vector<std::string>{});
        return;
    }
    if (traced.empty()) {
        EXPECT_TRUE(ListFolder(".").empty()) << "nothing to trace";
        return;
    }
    std::string pattern;
    for (const std::string& message : traced) {
        pattern += "=+\r\n\r\n\r\nProject Name: [^\r\n]*\r\n\\[ERROR\\]" + MessagePattern(message) +
                   ",Line \\d+\r\n";
    }
    const std::string trace = ReadFileBytes("CVemoDLL_Debug.txt");
    EXPECT_TRUE(std::regex_match(trace, std::regex(pattern))) << trace;
}

Signed SignText(const std::string& text, int32_t mode, const char* selector, int32_t length) {
    Signed made;
    std::memset(&made.record, 0xCC, sizeof made.record);
    made.record.signature_length = kLeftByCaller;
    made.result = Edition().signEx(mode, selector, text.c_str(),
                                   length == kTextsLength ? static_cast<int32_t>(text.size()) : length, &made.record);
    return made;
}

void ExpectUntouchedRecord(const CVEMO_SIGNATURE_RECORD& record) {
    CVEMO_SIGNATURE_RECORD expected{};
    expected.signature_length = kLeftByCaller;
    EXPECT_EQ(std::memcmp(&record, &expected, sizeof record), 0);
}

void ExpectSignedBy(const Signed& made, const std::string& text, const std::string& user,
                    const std::string& serial) {
    ASSERT_EQ(made.result, 0);
    EXPECT_EQ(std::string(made.record.marker, 7), "QUORVEL");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(made.record.reserved), 3), std::string(3, '\0'));
    EXPECT_EQ(SerialOf(made.record), serial);
    const Bytes value = ValueOf(made.record);
    EXPECT_EQ(value.size(), user == "user1024" || user == "plain" ? 128u : 256u);
    EXPECT_TRUE(SignatureVerifies(FixtureBytes(user + ".crt.der"), text, Reversed(value))) << "not signed by " << user;
    for (size_t i = value.size(); i < sizeof made.record.signature; ++i) ASSERT_EQ(made.record.signature[i], 0) << i;
}

}  // namespace vemo::test
