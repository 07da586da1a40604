#include "support/hostile_input.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <wincrypt.h>

#include "frame/win_handles.h"
#include "support/token_fixture.h"
#include "token/provision/key_files.h"

namespace vemo::test {
namespace {

constexpr uint8_t kSequence = 0x30;

// A DER element with the shortest length form.
Bytes Element(uint8_t tag, const Bytes& content) {
    Bytes out{tag};
    const size_t length = content.size();
    if (length < 0x80) {
        out.push_back(static_cast<uint8_t>(length));
    } else {
        Bytes digits;
        for (size_t rest = length; rest != 0; rest >>= 8) digits.insert(digits.begin(), static_cast<uint8_t>(rest));
        out.push_back(static_cast<uint8_t>(0x80 | digits.size()));
        out.insert(out.end(), digits.begin(), digits.end());
    }
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

// Signs `info` with user1024's private key into a certificate.
Bytes SignedCertificate(CERT_INFO& info) {
    std::string error;
    const token::SecretBytes blob = token::provision::PrivateKeyBlob(FixtureBytes("user1024.key.pem"), error);
    win::ProviderContext system;
    win::CryptKey key;
    EXPECT_TRUE(CryptAcquireContextA(system.put(), nullptr, MS_ENHANCED_PROV_A, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
    EXPECT_TRUE(CryptImportKey(system.get(), blob.data(), static_cast<DWORD>(blob.size()), 0, 0, key.put())) << error;

    BYTE name[64];
    DWORD nameSize = sizeof name;
    EXPECT_TRUE(CertStrToNameA(X509_ASN_ENCODING, "CN=Vemo Hostile", CERT_X500_NAME_STR, nullptr, name, &nameSize,
                               nullptr));
    info.dwVersion = CERT_V3;
    info.SignatureAlgorithm.pszObjId = const_cast<char*>(szOID_RSA_SHA1RSA);
    info.Issuer = info.Subject = {nameSize, name};
    info.NotBefore = {0x403F8000, 0x01C08D74};  // 2001-02-03 00:00:00
    info.NotAfter = {0xAC9CC000, 0x01EC2C81};   // 2040-01-01 00:00:00
    Bytes certificate(8192);
    DWORD size = static_cast<DWORD>(certificate.size());
    EXPECT_TRUE(CryptSignAndEncodeCertificate(system.get(), AT_KEYEXCHANGE, X509_ASN_ENCODING, X509_CERT_TO_BE_SIGNED,
                                              &info, &info.SignatureAlgorithm, nullptr, certificate.data(), &size))
        << GetLastError();
    certificate.resize(size);
    return certificate;
}

}  // namespace

Bytes LengthPastTheEnd() { return {kSequence, 0x84, 0x7F, 0xFF, 0xFF, 0xF0, 0x02, 0x01, 0x01, 0x02, 0x01, 0x02}; }

Bytes OverlongLengthField() {
    return {kSequence, 0x89, 0x01, 0, 0, 0, 0, 0, 0, 0, 0x08, 0x02, 0x01, 0x01, 0x02, 0x01, 0x02};
}

Bytes IndefiniteLength() { return {kSequence, 0x80, kSequence, 0x80, 0x02, 0x01, 0x01, 0, 0, 0, 0}; }

Bytes DeepNesting(size_t depth) {
    Bytes der = {0x02, 0x01, 0x01};
    for (size_t level = 0; level < depth; ++level) der = Element(kSequence, der);
    return der;
}

Bytes CertificateWithLongSerial(size_t serialBytes) {
    const Bytes user = FixtureBytes("user1024.crt.der");
    const win::CertificateContext context(
        CertCreateCertificateContext(X509_ASN_ENCODING, user.data(), static_cast<DWORD>(user.size())));
    EXPECT_TRUE(context);
    Bytes serial(serialBytes);  // least significant byte first; the top byte stays below 0x80
    for (size_t i = 0; i < serialBytes; ++i) serial[i] = static_cast<uint8_t>(0x11 + i % 0x60);
    CERT_INFO info{};
    info.SerialNumber = {static_cast<DWORD>(serial.size()), serial.data()};
    info.SubjectPublicKeyInfo = context.get()->pCertInfo->SubjectPublicKeyInfo;
    return SignedCertificate(info);
}

Bytes CertificateWith4096BitKey() {
    // A PUBLICKEYBLOB of a made-up 4096-bit modulus (odd, top bit set), least significant byte first.
    Bytes blob(sizeof(BLOBHEADER) + sizeof(RSAPUBKEY) + 512);
    auto* header = reinterpret_cast<BLOBHEADER*>(blob.data());
    *header = {PUBLICKEYBLOB, CUR_BLOB_VERSION, 0, CALG_RSA_KEYX};
    auto* rsa = reinterpret_cast<RSAPUBKEY*>(blob.data() + sizeof(BLOBHEADER));
    *rsa = {0x31415352 /* "RSA1" */, 4096, 65537};
    uint8_t* modulus = blob.data() + sizeof(BLOBHEADER) + sizeof(RSAPUBKEY);
    for (size_t i = 0; i < 512; ++i) modulus[i] = static_cast<uint8_t>(0x5A ^ (i * 37));
    modulus[0] |= 1;
    modulus[511] |= 0xC0;
    DWORD size = 0;
    EXPECT_TRUE(CryptEncodeObject(X509_ASN_ENCODING, RSA_CSP_PUBLICKEYBLOB, blob.data(), nullptr, &size));
    Bytes key(size);
    EXPECT_TRUE(CryptEncodeObject(X509_ASN_ENCODING, RSA_CSP_PUBLICKEYBLOB, blob.data(), key.data(), &size));
    key.resize(size);

    const uint8_t serial[] = {0x41, 0x09};
    CERT_INFO info{};
    info.SerialNumber = {sizeof serial, const_cast<uint8_t*>(serial)};
    info.SubjectPublicKeyInfo.Algorithm.pszObjId = const_cast<char*>(szOID_RSA_RSA);
    static const BYTE kNull[] = {0x05, 0x00};
    info.SubjectPublicKeyInfo.Algorithm.Parameters = {sizeof kNull, const_cast<BYTE*>(kNull)};
    info.SubjectPublicKeyInfo.PublicKey = {static_cast<DWORD>(key.size()), key.data(), 0};
    return SignedCertificate(info);
}

std::string Base64Of(const Bytes& der) {
    DWORD size = 0;
    const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
    CryptBinaryToStringA(der.data(), static_cast<DWORD>(der.size()), flags, nullptr, &size);
    std::string text(size, '\0');
    CryptBinaryToStringA(der.data(), static_cast<DWORD>(der.size()), flags, text.data(), &size);
    text.resize(size);
    return text;
}

std::string PemOf(const Bytes& der, size_t length) {
    const std::string base64 = Base64Of(der);
    std::string pem = "-----BEGIN CERTIFICATE-----\n";
    for (size_t at = 0; at < base64.size(); at += 64) pem += base64.substr(at, 64) + "\n";
    pem += "-----END CERTIFICATE-----\n";
    if (pem.size() < length) pem.append(length - pem.size(), '\n');
    return pem;
}

}  // namespace vemo::test
