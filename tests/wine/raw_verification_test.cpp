// C_VEMO_VerifySign through the edition under test, on records signed with the test PKI's
// private keys: every form of key data, the hash selector, changed data and records, bad key
// data, the working container, and what each edition writes down and leaves in the caller's
// buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/edition_under_test.h"
#include "support/scoped_environment.h"
#include "support/signing_fixture.h"
#include "support/token_fixture.h"

namespace vemo::test {
namespace {

const std::string kData = "the data that was signed";

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }
Bytes Fixture(const std::string& name) { return FixtureBytes(name); }

// The Base64 of a fixture's bytes, on one line.
Bytes Base64Of(const Bytes& der) {
    DWORD size = 0;
    CryptBinaryToStringA(der.data(), static_cast<DWORD>(der.size()), CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF,
                         nullptr, &size);
    std::string text(size, '\0');
    CryptBinaryToStringA(der.data(), static_cast<DWORD>(der.size()), CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF,
                         text.data(), &size);
    text.resize(size);
    return Text(text);
}

class RawVerification : public testing::Test {
protected:
    ScopedWorkingDirectory directory;
};

TEST_F(RawVerification, EveryFormOfKeyData) {
    // A version 3 and a version 1 certificate of 1024-bit keys, and a 2048-bit one: as PEM, as
    // one line of Base64, as DER; their bare RSAPublicKey as Base64 and as DER (270 bytes for
    // 2048 bits).
    for (const std::string user : {"user1024", "plain", "user2048"}) {
        SCOPED_TRACE(user);
        const CVEMO_SIGNATURE_RECORD record = RecordOf(FixtureSignature(user, kData));
        for (const Bytes& keyData : {Fixture(user + ".crt.pem"), Fixture(user + ".crt.b64"), Fixture(user + ".crt.der"),
                                     Base64Of(Fixture(user + ".pub.der")), Fixture(user + ".pub.der")}) {
            EXPECT_EQ(VerifyWith(keyData, kData, record), 0) << std::string(keyData.begin(), keyData.begin() + 12);
        }
    }
    ExpectWrittenDown({});
}

TEST_F(RawVerification, TheHashSelector) {
    const Bytes certificate = Fixture("user1024.crt.der");
    const CVEMO_SIGNATURE_RECORD sha1 = RecordOf(FixtureSignature("user1024", kData));
    const CVEMO_SIGNATURE_RECORD md5 = RecordOf(FixtureSignature("user1024", kData, CALG_MD5));
    for (int32_t selector : {0, 1, 10, 12, -11, 0x7FFFFFFF}) EXPECT_EQ(VerifyWith(certificate, kData, sha1, selector), 0);
    EXPECT_EQ(VerifyWith(certificate, kData, md5, 11), 0);
    ScopedWorkingDirectory log;
    EXPECT_EQ(VerifyWith(certificate, kData, sha1, 11), E_VERIFY_ERROR);
    ExpectWrittenDown({"CryptVerifySignature is error,Error Code: 0x80090006"});
}

TEST_F(RawVerification, AnyChangedByteFails) {
    const Bytes certificate = Fixture("user2048.crt.pem");
    const CVEMO_SIGNATURE_RECORD record = RecordOf(FixtureSignature("user2048", kData));
    for (size_t at : {size_t{0}, kData.size() / 2, kData.size() - 1}) {
        std::string changed = kData;
        changed[at] ^= 0x01;
        EXPECT_EQ(VerifyWith(certificate, changed, record), E_VERIFY_ERROR) << "data byte " << at;
    }
    for (size_t at : {size_t{0}, size_t{100}, size_t{255}}) {
        CVEMO_SIGNATURE_RECORD changed = record;
        changed.signature[at] ^= 0x80;
        EXPECT_EQ(VerifyWith(certificate, kData, changed), E_VERIFY_ERROR) << "value byte " << at;
    }
    EXPECT_EQ(VerifyWith(certificate, kData + "x", record), E_VERIFY_ERROR);
    EXPECT_EQ(VerifyWith(Fixture("user1024.crt.pem"), kData, record), E_VERIFY_ERROR) << "another key";
}

TEST_F(RawVerification, RefusedInputsInOrder) {
    const Bytes certificate = Fixture("user1024.crt.der");
    const CVEMO_SIGNATURE_RECORD good = RecordOf(FixtureSignature("user1024", kData));
    const auto marked = [&](const char* marker) {
        CVEMO_SIGNATURE_RECORD record = good;
        std::memcpy(record.marker, marker, 7);
        return record;
    };
    const auto withLength = [&](int32_t length) {
        CVEMO_SIGNATURE_RECORD record = good;
        record.signature_length = length;
        return record;
    };
    Bytes longCertificateText = Text("MII" + std::string(401, 'A'));    // decodes, walks nowhere
    Bytes shortDer = {0x30, 0x06, 0x02, 0x01, 0x05, 0x04, 0x01, 0x03};  // not two INTEGERs
    struct Case {
        const char* what;
        Bytes keyData;
        CVEMO_SIGNATURE_RECORD record;
        int32_t result;
        std::vector<std::string> messages;
    } cases[] = {
        // The marker comes first, even before a missing key.
        {"a changed marker", certificate, marked("QUORVEX"), E_FAILED, {"Sign Data is error,Error Code: -1"}},
        {"a lower-case marker, no key", {}, marked("quorvel"), E_FAILED, {"Sign Data is error,Error Code: -1"}},
        {"no key data", {}, good, SPC_INPUTARG_ERROR_01,
         {"PubKey Or Cert Data is error,Error Code: SPC_INPUTARG_ERROR_01"}},
        {"key data over 4096 bytes", Bytes(4097, '0'), good, SPC_INPUTARG_ERROR_01,
         {"PubKey Or Cert Data is error,Error Code: SPC_INPUTARG_ERROR_01"}},
        {"a public key in its own armour", Fixture("user1024.pub.pem"), good, E_FAILED,
         {"MoveRedunStrFormPemCert is error,Error Code: 0xffffffff"}},
        {"text that is not Base64", Text("MII*"), good, E_RSA_KEY_DATA_ERROR,
         {"R_DecodePEMBlock is error,Error Code: E_RSA_KEY_DATA_ERROR"}},
        {"text of something that is no certificate", longCertificateText, good, E_CERT_DATA_ERROR,
         {"GetUsrDERPubKey is error,Error Code: E_CERT_DATA_ERROR"}},
        {"DER that is no key", shortDer, good, E_RSA_KEY_DATA_ERROR,
         {"d2c_RSA_PUBLIC_KEY is error,Error Code: E_RSA_KEY_DATA_ERROR"}},
        {"an exponent of 40 bits", {0x30, 0x0B, 0x02, 0x02, 0x00, 0xC5, 0x02, 0x05, 0x01, 0x00, 0x00, 0x00, 0x01},
         good, E_RSA_KEY_DATA_ERROR, {"d2c_RSA_PUBLIC_KEY is error,Error Code: E_RSA_KEY_DATA_ERROR"}},
        {"a key the provider refuses", {0x30, 0x06, 0x02, 0x01, 0x05, 0x02, 0x01, 0x00}, good, 1,
         {"CryptImportKey is error, Error Code: 0x%08x", "PutPubKeyToCSP is error,Error Code: 0x00000001"}},
        // The length field is looked at only when the value is needed, and never past the record.
        {"a signature length of 0", certificate, withLength(0), E_VERIFY_ERROR,
         {"CryptVerifySignature is error,Error Code: 0x80090006"}},
        {"a signature length of 301", certificate, withLength(301), E_VERIFY_ERROR,
         {"CryptVerifySignature is error,Error Code: 0x80090006"}},
        {"a negative signature length", certificate, withLength(-128), E_VERIFY_ERROR,
         {"CryptVerifySignature is error,Error Code: 0x80090006"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedWorkingDirectory log;
        EXPECT_EQ(VerifyWith(c.keyData, kData, c.record), c.result);
        ExpectWrittenDown(c.messages);
    }
    // Null pointers are refused before anything is read.
    EXPECT_EQ(Edition().verifySign(nullptr, 0, 0, nullptr, 0, nullptr), SPC_INPUTARG_ERROR_01);
    Bytes key = certificate;
    EXPECT_EQ(Edition().verifySign(key.data(), static_cast<int32_t>(key.size()), 0, nullptr, 5, &good),
              SPC_INPUTARG_ERROR_01);
}

TEST_F(RawVerification, TheWorkingContainer) {
    const Bytes certificate = Fixture("user1024.crt.der");
    const CVEMO_SIGNATURE_RECORD record = RecordOf(FixtureSignature("user1024", kData));
    // Whether or not "temporary" existed, two verifications in a row succeed.
    HCRYPTPROV deleted = 0;
    CryptAcquireContextA(&deleted, "temporary", nullptr, PROV_RSA_FULL, CRYPT_DELETEKEYSET);
    EXPECT_EQ(VerifyWith(certificate, kData, record), 0);
    EXPECT_EQ(VerifyWith(certificate, kData, record), 0);
    // No default provider: its error is returned as it is.
    ScopedWorkingDirectory log;
    DefaultProviderUnavailable unavailable;
    EXPECT_EQ(static_cast<uint32_t>(VerifyWith(certificate, kData, record)) & 0xFFFF0000u, 0x80090000u);
    ExpectWrittenDown({"CryptAcquireContext is error,Error Code: 0x%08x"});
}

TEST_F(RawVerification, ProcessesVerifyingAndDigestingAtOnce) {
    // Each child verifies and digests 100 times, deleting and re-creating "temporary" each time.
    int failed = 0;
    for (const auto& child : StartLoopingChildren(3, L"--verify-loop=100")) failed += child->wait() == 0 ? 0 : 1;
    EXPECT_EQ(failed, 0) << "processes with failed calls";
}

TEST_F(RawVerification, WhatIsLeftInTheCallersBuffer) {
    // Text key data: the token edition works on a copy; the trace and picker editions leave the
    // normalised text with the DER over its start, and never write past the length given.
    const Bytes pem = Fixture("user1024.crt.pem");
    const Bytes der = Fixture("user1024.crt.der");
    const CVEMO_SIGNATURE_RECORD record = RecordOf(FixtureSignature("user1024", kData));
    Bytes buffer = pem;
    buffer.insert(buffer.end(), {0xCC, 0xCC, 0xCC, 0xCC});  // past the length: never touched
    ASSERT_EQ(Edition().verifySign(buffer.data(), static_cast<int32_t>(pem.size()), 0,
                                   reinterpret_cast<const uint8_t*>(kData.data()), static_cast<uint32_t>(kData.size()),
                                   &record),
              0);
    EXPECT_EQ(Bytes(buffer.end() - 4, buffer.end()), Bytes(4, 0xCC));
    if (Edition().writesUserLog()) {
        EXPECT_EQ(Bytes(buffer.begin(), buffer.end() - 4), pem);
    } else {
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + der.size()), der);
    }
}

}  // namespace
}  // namespace vemo::test
