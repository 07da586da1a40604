// The raw signature and its verification as a 32-bit client calls them: the signature record
// read back through the header's 32-bit layout. The token and trace editions sign with the
// software token's key, the picker edition with a personal-store certificate chosen by serial
// number; every edition verifies what was signed, and what the test PKI's key signed itself.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CVemoDll_C.h"
#include "checked_call.h"
#include "edition.h"
#include "support/signing_fixture.h"
#include "support/token_fixture.h"

namespace vemo::test {
namespace {

int32_t Verify(const std::string& keyFixture, const std::string& data, const CVEMO_SIGNATURE_RECORD& record,
               int32_t hashSelector = 0) {
    std::vector<uint8_t> key = FixtureBytes(keyFixture);
    return CHECKED_CALL(C_VEMO_VerifySign, 0, key.data(), static_cast<int32_t>(key.size()), hashSelector,
                        reinterpret_cast<const uint8_t*>(data.data()), static_cast<uint32_t>(data.size()), &record);
}

TEST(RawSignature, SignedRecordVerifiesThrough32BitLayout) {
    const std::string data = "signed by a 32-bit client";
    std::vector<uint8_t> bytes(sizeof(CVEMO_SIGNATURE_RECORD) + 8, 0xCC);
    auto* record = reinterpret_cast<CVEMO_SIGNATURE_RECORD*>(bytes.data() + 4);
    int32_t result = 0;
    if constexpr (kUsesToken) {
        ScopedTokenStore store;
        store.plugIn({{FixtureContainer("user1024", "first")}, {}});
        result = CHECKED_CALL(C_VEMO_SignEx, 0, 0, 0, 0, 0, nullptr, data.c_str(), static_cast<int32_t>(data.size()),
                              record);
    } else {
        PersonalCertificate personal("user1024");
        result = CHECKED_CALL(C_VEMO_SignEx, 0, 0, 0, 0, 1, "3a1b2c3d4e5f60718293a4b5c6d7e8f9", data.c_str(),
                              static_cast<int32_t>(data.size()), record);
    }
    ASSERT_EQ(result, 0);
    EXPECT_EQ(std::memcmp(record->marker, "QUORVEL", 7), 0);
    EXPECT_STREQ(record->serial_number, "3A1B2C3D4E5F60718293A4B5C6D7E8F9");
    EXPECT_EQ(record->signature_length, 128);
    EXPECT_EQ(bytes[0], 0xCC);
    EXPECT_EQ(bytes[bytes.size() - 1], 0xCC);
    // PKCS#1 v1.5 is deterministic: the record carries what the key signs outside the library.
    EXPECT_EQ(ValueOf(*record), FixtureSignature("user1024", data));

    EXPECT_EQ(Verify("user1024.crt.pem", data, *record), 0);
    EXPECT_EQ(Verify("user1024.crt.der", data, *record), 0);
    EXPECT_EQ(Verify("user1024.crt.pem", data + ".", *record), E_VERIFY_ERROR);
    EXPECT_EQ(Verify("user1024.crt.pem", data, *record, 11), E_VERIFY_ERROR);  // MD5 over a SHA-1 signature
}

TEST(RawSignature, RefusalsKeepTheStackBalanced) {
    CVEMO_SIGNATURE_RECORD record{};
    EXPECT_EQ(CHECKED_CALL(C_VEMO_Sign, 0, 0, 0, 0, nullptr, "abc", 4, &record), SPC_INPUTARG_ERROR_01);
    EXPECT_EQ(CHECKED_CALL(C_VEMO_SignEx, 0, 0, 0, 0, 0, nullptr, "abc", 2, &record), SPC_INPUTARG_ERROR_01);
    EXPECT_EQ(Verify("user1024.crt.pem", "abc", record), E_FAILED);  // no marker
    const CVEMO_SIGNATURE_RECORD foreign = RecordOf(FixtureSignature("user2048", "abc"));
    EXPECT_EQ(Verify("user2048.pub.der", "abc", foreign), 0);  // a bare 2048-bit key
}

// C_VEMO_SignData and C_VEMO_VerifyData, seven arguments each: SHA-256 signed with the
// edition's key (the picker edition's through the AES-capable provider), the size asked first;
// and a signed message of the same key.
TEST(DataSignature, SignedAndVerifiedWithTheStackBalanced) {
    const std::string data = "SHA-256 from a 32-bit client";
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    const auto length = static_cast<uint32_t>(data.size());
    ScopedTokenStore store;
    std::unique_ptr<PersonalCertificate> personal;
    if constexpr (kUsesToken) {
        store.plugIn({{FixtureContainer("user1024", "first")}, {}});
    } else {
        personal = std::make_unique<PersonalCertificate>("user1024");
    }
    const char* serial = "3A1B2C3D4E5F60718293A4B5C6D7E8F9";
    uint32_t size = 0;
    ASSERT_EQ(CHECKED_CALL(C_VEMO_SignData, CVEMO_SHA256, 1, serial, bytes, length, nullptr, &size), 0);
    ASSERT_EQ(size, 128u);
    std::vector<uint8_t> signature(size);
    ASSERT_EQ(CHECKED_CALL(C_VEMO_SignData, CVEMO_SHA256, 1, serial, bytes, length, signature.data(), &size), 0);

    const std::vector<uint8_t> key = FixtureBytes("user1024.crt.der");
    const auto verify = [&](uint32_t algorithm, uint32_t dataLength) {
        return CHECKED_CALL(C_VEMO_VerifyData, algorithm, key.data(), static_cast<uint32_t>(key.size()), bytes,
                            dataLength, signature.data(), size);
    };
    EXPECT_EQ(verify(CVEMO_SHA256, length), 0);
    EXPECT_EQ(verify(CVEMO_SHA256, length - 1), E_VERIFY_ERROR);
    EXPECT_EQ(verify(0x8003, length), E_ALGORITHM);
    EXPECT_EQ(CHECKED_CALL(C_VEMO_SignData, CVEMO_SHA256, 1, serial, bytes, length, signature.data(), nullptr),
              SPC_INPUTARG_ERROR_01);

    // C_VEMO_SignMessage, eight arguments: its text verifies with C_VEMO_VerifyMessage.
    uint32_t bound = 0;
    ASSERT_EQ(CHECKED_CALL(C_VEMO_SignMessage, CVEMO_SHA256, CVEMO_MSG_PEM, 1, serial, bytes, length, nullptr, &bound), 0);
    std::vector<uint8_t> message(++bound);
    ASSERT_EQ(CHECKED_CALL(C_VEMO_SignMessage, CVEMO_SHA256, CVEMO_MSG_PEM, 1, serial, bytes, length, message.data(),
                           &bound), 0);
    std::vector<uint8_t> content(length);
    uint32_t contentLength = length;
    EXPECT_EQ(CHECKED_CALL(C_VEMO_VerifyMessage, message.data(), bound, nullptr, 0u, content.data(), &contentLength,
                           nullptr, nullptr), 0);
    EXPECT_EQ(std::string(content.begin(), content.end()), data);
}

}  // namespace
}  // namespace vemo::test
