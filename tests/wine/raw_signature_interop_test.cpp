// The raw signatures with openssl on the other side (tests/interop/raw-signature-openssl.sh):
// what openssl signed verifies here with every form of key data, and records and signatures
// made here are left for openssl to compare and verify. Runs when the program is given
// --raw-interop=<folder>.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "codec/digest_algorithms.h"
#include "support/edition_under_test.h"
#include "support/scoped_environment.h"
#include "support/signing_fixture.h"
#include "support/test_token.h"
#include "support/token_fixture.h"
#include "token/provision/container_import.h"

namespace vemo::test {
namespace {

class RawInterop : public testing::Test {
protected:
    void SetUp() override {
        if (RawInteropFolder().empty()) GTEST_SKIP() << "no --raw-interop folder";
    }
    std::string FromOpenssl(const std::string& name) { return RawInteropFolder() + "\\from-openssl\\" + name; }
};

Bytes FileBytes(const std::string& path) {
    const std::string text = ReadFileBytes(path);
    EXPECT_FALSE(text.empty()) << "missing " << path;
    return Bytes(text.begin(), text.end());
}

TEST_F(RawInterop, OpensslSignaturesVerifyHere) {
    // The test PKI's 1024- and 2048-bit keys, a 2400-bit key (its signatures fill the record's
    // 300 bytes) and a key of exponent 3.
    for (const std::string name : {"user1024", "user2048", "rsa2400", "rsa2048-e3"}) {
        SCOPED_TRACE(name);
        const std::string data = ReadFileBytes(FromOpenssl(name + ".data"));
        const CVEMO_SIGNATURE_RECORD record = RecordOf(FileBytes(FromOpenssl(name + ".sig")));
        CVEMO_SIGNATURE_RECORD changed = record;
        changed.signature[7] ^= 0x01;
        for (const char* form : {".crt.pem", ".crt.b64", ".crt.der", ".pub.b64", ".pub.der"}) {
            const Bytes keyData = FileBytes(FromOpenssl(name + form));
            EXPECT_EQ(VerifyWith(keyData, data, record), 0) << form;
            EXPECT_EQ(VerifyWith(keyData, data, changed), E_VERIFY_ERROR) << form;
        }
    }
}

TEST_F(RawInterop, KeysOf4096BitsAreTaken) {
    // Their signatures (512 bytes) do not fit a record; the key itself is decoded and imported
    // in every form, so a signature of another key fails only at the verification.
    const std::string data = ReadFileBytes(FromOpenssl("user1024.data"));
    const CVEMO_SIGNATURE_RECORD record = RecordOf(FileBytes(FromOpenssl("user1024.sig")));
    for (const char* form : {".crt.pem", ".crt.b64", ".crt.der", ".pub.b64", ".pub.der"}) {
        ScopedWorkingDirectory log;
        EXPECT_EQ(VerifyWith(FileBytes(FromOpenssl(std::string("rsa4096") + form)), data, record), E_VERIFY_ERROR)
            << form;
        ExpectWrittenDown({"CryptVerifySignature is error,Error Code: 0x80090006"});
    }
}

// Every digest and key size both ways. openssl's signatures verify with C_VEMO_VerifyData (the
// certificate as DER and PEM, the bare key as DER and Base64; a changed byte does not). With
// the key in the software token (imported from the key file as tokenctl imports it),
// C_VEMO_SignData writes openssl's bytes exactly (PKCS#1 v1.5 signatures are deterministic),
// and leaves them for `openssl dgst -verify`, beside its signed messages of every form for
// `openssl cms -verify`.
TEST_F(RawInterop, EveryDigestAndKeySizeBothWays) {
    ScopedWorkingDirectory log;  // the changed signatures' entries
    for (const std::string name : {"user1024", "user2048", "rsa3072", "rsa4096"}) {
        SCOPED_TRACE(name);
        const std::string data = ReadFileBytes(FromOpenssl(name + ".data"));
        ScopedTokenStore token;
        if (Edition().usesToken()) {
            const token::provision::ImportResult imported = token::provision::ContainerFromKeyFilePaths(
                FromOpenssl(name + ".key.pem"), FromOpenssl(name + ".crt.der"), {name, token::kKeyExchange});
            ASSERT_TRUE(imported.container) << imported.error;
            token.plugIn(TokenOf({*imported.container}));
        }
        for (size_t i = 0; i < codec::kExportedDigestCount; ++i) {
            const codec::DigestAlgorithm& algorithm = *codec::ExportedDigestAlgorithms()[i];
            SCOPED_TRACE(algorithm.name);
            const Bytes signature = FileBytes(FromOpenssl(name + "." + algorithm.shortName + ".sig"));
            Bytes changed = signature;
            changed[changed.size() / 2] ^= 0x01;
            for (const char* form : {".crt.der", ".crt.pem", ".pub.der", ".pub.b64"}) {
                const Bytes keyData = FileBytes(FromOpenssl(name + form));
                EXPECT_EQ(VerifyDataWith(keyData, data, signature, algorithm.algId), 0) << form;
                EXPECT_EQ(VerifyDataWith(keyData, data, changed, algorithm.algId), E_VERIFY_ERROR) << form;
            }
            if (!Edition().usesToken()) continue;
            Bytes made(signature.size() + 1, 0xCC);
            uint32_t length = static_cast<uint32_t>(made.size());
            ASSERT_EQ(Edition().signData(algorithm.algId, 0, nullptr, reinterpret_cast<const uint8_t*>(data.data()),
                                         static_cast<uint32_t>(data.size()), made.data(), &length),
                      0);
            ASSERT_EQ(length, signature.size());
            EXPECT_EQ(made.back(), 0xCC);
            made.pop_back();
            EXPECT_EQ(made, signature);
            std::ofstream(RawInteropFolder() + "\\from-library\\" + name + "." + algorithm.shortName + ".sig",
                          std::ios::binary)
                .write(reinterpret_cast<const char*>(made.data()), static_cast<std::streamsize>(made.size()));
            // C_VEMO_SignMessage's messages in each form, for `openssl cms -verify`.
            for (const auto& [form, flags] : {std::pair{"der", 0u}, {"der-detached", CVEMO_MSG_DETACHED},
                                              {"pem", CVEMO_MSG_PEM}, {"pem-detached", CVEMO_MSG_PEM | CVEMO_MSG_DETACHED}}) {
                Bytes message(8192);
                uint32_t messageLength = static_cast<uint32_t>(message.size());
                ASSERT_EQ(Edition().signMessage(algorithm.algId, flags, 0, nullptr, reinterpret_cast<const uint8_t*>(data.data()),
                                                static_cast<uint32_t>(data.size()), message.data(), &messageLength),
                          0)
                    << form;
                std::ofstream(RawInteropFolder() + "\\from-library\\" + name + "." + algorithm.shortName + "." + form + ".cms",
                              std::ios::binary)
                    .write(reinterpret_cast<const char*>(message.data()), messageLength);
            }
        }
    }
}

TEST_F(RawInterop, RecordsForOpenssl) {
    if (!Edition().usesToken()) GTEST_SKIP() << "records are made with the software token";
    for (const std::string user : {"user1024", "user2048"}) {
        ScopedTokenStore token;
        token::TokenImage image;
        image.containers.push_back(FixtureContainer(user, user));
        token.plugIn(image);
        const std::string data = "signed by the library with " + user;
        CVEMO_SIGNATURE_RECORD record{};
        ASSERT_EQ(Edition().signEx(0, nullptr, data.c_str(), static_cast<int32_t>(data.size()), &record), 0) << user;
        std::ofstream(RawInteropFolder() + "\\from-library\\" + user + ".data", std::ios::binary) << data;
        std::ofstream(RawInteropFolder() + "\\from-library\\" + user + ".record", std::ios::binary)
            .write(reinterpret_cast<const char*>(&record), sizeof record);
    }
}

}  // namespace
}  // namespace vemo::test
