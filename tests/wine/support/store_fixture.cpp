#include "support/store_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "frame/win_handles.h"
#include "support/token_fixture.h"

namespace vemo::test {
namespace {

// The current user's registry store under the system store `name`. Wine deletes a certificate
// only through it: a deletion through the system store reports success and changes nothing.
win::CertStore OpenStore(const std::string& name) {
    win::CertStore store(CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER,
                                       name.c_str()));
    if (!store) throw std::runtime_error("cannot open the store " + name);
    return store;
}

void Empty(HCERTSTORE store) {
    // Each deletion releases the context it is given.
    while (PCCERT_CONTEXT certificate = CertEnumCertificatesInStore(store, nullptr)) {
        CertDeleteCertificateFromStore(certificate);
    }
}

// A verification context with a signature key, made once: certificates are signed with it.
HCRYPTPROV SigningContext() {
    static const HCRYPTPROV context = [] {
        HCRYPTPROV provider = 0;
        HCRYPTKEY key = 0;
        if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) ||
            !CryptGenKey(provider, AT_SIGNATURE, 1024 << 16, &key)) {
            throw std::runtime_error("cannot make a signing key");
        }
        CryptDestroyKey(key);
        return provider;
    }();
    return context;
}

Der Encoded(const wchar_t* x500) {
    DWORD size = 0;
    if (!CertStrToNameW(X509_ASN_ENCODING, x500, CERT_X500_NAME_STR, nullptr, nullptr, &size, nullptr)) {
        throw std::runtime_error("CertStrToNameW");
    }
    Der name(size);
    CertStrToNameW(X509_ASN_ENCODING, x500, CERT_X500_NAME_STR, nullptr, name.data(), &size, nullptr);
    name.resize(size);
    return name;
}

// The subject alternative name extension with one e-mail address.
Der AltNameWithEmail(const std::wstring& email) {
    CERT_ALT_NAME_ENTRY entry{};
    entry.dwAltNameChoice = CERT_ALT_NAME_RFC822_NAME;
    entry.pwszRfc822Name = const_cast<wchar_t*>(email.c_str());
    CERT_ALT_NAME_INFO info{1, &entry};
    DWORD size = 0;
    CryptEncodeObject(X509_ASN_ENCODING, X509_ALTERNATE_NAME, &info, nullptr, &size);
    Der encoded(size);
    if (!CryptEncodeObject(X509_ASN_ENCODING, X509_ALTERNATE_NAME, &info, encoded.data(), &size)) {
        throw std::runtime_error("CryptEncodeObject");
    }
    encoded.resize(size);
    return encoded;
}


}  // namespace

ScopedStoreContents::ScopedStoreContents(const char* name, const std::vector<Der>& certificates) : name_(name) {
    const win::CertStore store = OpenStore(name_);
    PCCERT_CONTEXT certificate = nullptr;
    while ((certificate = CertEnumCertificatesInStore(store.get(), certificate)) != nullptr) {
        DWORD size = 0;
        CertSerializeCertificateStoreElement(certificate, 0, nullptr, &size);
        Der element(size);
        if (CertSerializeCertificateStoreElement(certificate, 0, element.data(), &size)) saved_.push_back(element);
    }
    Empty(store.get());
    for (const Der& der : certificates) {
        EXPECT_TRUE(CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der.data(),
                                                     static_cast<DWORD>(der.size()), CERT_STORE_ADD_ALWAYS, nullptr));
    }
}

ScopedStoreContents::~ScopedStoreContents() {
    const win::CertStore store(CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER,
                                             name_.c_str()));
    if (!store) return;
    Empty(store.get());
    for (const Der& element : saved_) {
        CertAddSerializedElementToStore(store.get(), element.data(), static_cast<DWORD>(element.size()),
                                        CERT_STORE_ADD_ALWAYS, 0, CERT_STORE_CERTIFICATE_CONTEXT_FLAG, nullptr,
                                        nullptr);
    }
}

Der MadeCertificate(const std::wstring& x500, const Der& serial, DWORD version, const std::wstring& altEmail,
                    const Der& rsaPublicKey) {
    const HCRYPTPROV provider = SigningContext();
    DWORD size = 0;
    CryptExportPublicKeyInfo(provider, AT_SIGNATURE, X509_ASN_ENCODING, nullptr, &size);
    Der keyInfo(size);
    auto* publicKey = reinterpret_cast<CERT_PUBLIC_KEY_INFO*>(keyInfo.data());
    if (!CryptExportPublicKeyInfo(provider, AT_SIGNATURE, X509_ASN_ENCODING, publicKey, &size)) {
        throw std::runtime_error("CryptExportPublicKeyInfo");
    }
    Der name = Encoded(x500.c_str()), issuer = Encoded(L"CN=Vemo Test Maker");
    Der stored(serial.rbegin(), serial.rend());  // the platform's order: least significant first

    CERT_INFO info{};
    info.dwVersion = version;
    info.SerialNumber = {static_cast<DWORD>(stored.size()), stored.data()};
    info.SignatureAlgorithm.pszObjId = const_cast<char*>(szOID_RSA_SHA1RSA);
    info.Subject = {static_cast<DWORD>(name.size()), name.data()};
    info.Issuer = {static_cast<DWORD>(issuer.size()), issuer.data()};
    SYSTEMTIME from{2001, 2, 0, 3, 4, 5, 6, 0}, to{2040, 11, 0, 12, 13, 14, 15, 0};
    SystemTimeToFileTime(&from, &info.NotBefore);
    SystemTimeToFileTime(&to, &info.NotAfter);
    info.SubjectPublicKeyInfo = *publicKey;
    BYTE noParameters[] = {0x05, 0x00};
    if (!rsaPublicKey.empty()) {
        info.SubjectPublicKeyInfo.Algorithm = {const_cast<char*>(szOID_RSA_RSA), {sizeof noParameters, noParameters}};
        info.SubjectPublicKeyInfo.PublicKey = {static_cast<DWORD>(rsaPublicKey.size()),
                                               const_cast<BYTE*>(rsaPublicKey.data()), 0};
    }
    Der altName;
    CERT_EXTENSION extension{const_cast<char*>(szOID_SUBJECT_ALT_NAME2), FALSE, {}};
    if (!altEmail.empty()) {
        altName = AltNameWithEmail(altEmail);
        extension.Value = {static_cast<DWORD>(altName.size()), altName.data()};
        info.cExtension = 1;
        info.rgExtension = &extension;
    }

    size = 0;
    CryptSignAndEncodeCertificate(provider, AT_SIGNATURE, X509_ASN_ENCODING, X509_CERT_TO_BE_SIGNED, &info,
                                  &info.SignatureAlgorithm, nullptr, nullptr, &size);
    Der certificate(size);
    if (!CryptSignAndEncodeCertificate(provider, AT_SIGNATURE, X509_ASN_ENCODING, X509_CERT_TO_BE_SIGNED, &info,
                                       &info.SignatureAlgorithm, nullptr, certificate.data(), &size)) {
        throw std::runtime_error("CryptSignAndEncodeCertificate");
    }
    certificate.resize(size);
    return certificate;
}

std::string OneLinePem(const Der& der) {
    DWORD size = 0;
    const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
    CryptBinaryToStringA(der.data(), static_cast<DWORD>(der.size()), flags, nullptr, &size);
    std::string base64(size, '\0');
    CryptBinaryToStringA(der.data(), static_cast<DWORD>(der.size()), flags, base64.data(), &size);
    base64.resize(size);
    return "-----BEGIN CERTIFICATE-----" + base64 + "-----END CERTIFICATE-----";
}

using token::provision::StoreChange;

ScopedStoreEntry::ScopedStoreEntry(const char* store, const std::string& fixture, StoreLocation where)
    : store_(store), where_(where) {
    std::string error;
    const auto entry = token::provision::StoreEntryFromFile(FixtureBytes(fixture), error);
    if (!entry) {
        ADD_FAILURE() << fixture << ": " << error;
        return;
    }
    entry_ = *entry;
    const StoreChange change = token::provision::AddStoreEntry(store_, where_, entry_, error);
    EXPECT_NE(change, StoreChange::Failed) << fixture << " into " << store_ << ": " << error;
    added_ = change == StoreChange::Changed;
}

ScopedStoreEntry::~ScopedStoreEntry() {
    if (!added_) return;
    std::string error;
    EXPECT_EQ(token::provision::RemoveStoreEntry(store_, where_, entry_, error), StoreChange::Changed)
        << "out of " << store_ << ": " << error;
    // Read back from the registry: the removal was written, the prefix is as it was.
    EXPECT_EQ(token::provision::RemoveStoreEntry(store_, where_, entry_, error), StoreChange::Unchanged) << store_;
}

}  // namespace vemo::test
