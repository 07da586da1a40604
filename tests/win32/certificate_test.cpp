// The certificate exports as a 32-bit client calls them: a certificate's fields and the pack
// read back through the header's 32-bit layout, the user's certificate from a file, and the
// two checks. Every call is watched by CHECKED_CALL.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "CVemoDll_C.h"
#include "checked_call.h"
#include "edition.h"
#include "support/scoped_environment.h"
#include "support/store_fixture.h"
#include "support/token_fixture.h"

namespace vemo::test {
namespace {

// A zero-terminated, writable copy of a PEM file of the test PKI (the trace and picker editions
// normalise the caller's text in place).
std::vector<char> PemText(const std::string& fixture) {
    std::vector<uint8_t> bytes = FixtureBytes(fixture);
    std::vector<char> text(bytes.begin(), bytes.end());
    text.push_back('\0');
    return text;
}

// A pack as each edition's caller has one: made by the library in the token edition, built by
// the caller from process-heap buffers in the trace edition, filled with fresh buffers by the
// library in the picker edition. Released through C_VEMO_FreePack.
class CallersPack {
public:
    CallersPack() {
        if constexpr (kEdition == Edition::Token) {
            EXPECT_EQ(CHECKED_CALL(C_VEMO_NewPack, &pack_), 0);
        } else {
            pack_ = own_;
            for (PackItem& item : own_) {
                item.length = 0;
                item.data = kEdition == Edition::Trace
                    ? static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, PACK_ITEM_SIZE))
                    : nullptr;
            }
        }
    }
    ~CallersPack() { EXPECT_EQ(CHECKED_CALL(C_VEMO_FreePack, pack_), 0); }
    PackItem* get() { return pack_; }
    std::string item(int slot) const { return std::string(pack_[slot].data, static_cast<size_t>(pack_[slot].length)); }

private:
    Pack own_{};
    PackItem* pack_ = nullptr;
};

TEST(CertInfo, ItemsAndThePackThroughThe32BitLayout) {
    std::vector<char> text = PemText("user1024.crt.pem");
    CallersPack pack;
    std::vector<char> out(1024 + 8, 'x');
    ASSERT_EQ(CHECKED_CALL(C_VEMO_GetCertInfo, text.data(), "36", out.data() + 4, pack.get()), 0);
    EXPECT_STREQ(out.data() + 4, "Vemo User 1024");
    // Slot 5 (common name) with its terminator, slot 7 the 16-byte serial as 32 digits.
    EXPECT_EQ(pack.item(5), std::string("Vemo User 1024") + '\0');
    EXPECT_EQ(pack.item(7), "3A1B2C3D4E5F60718293A4B5C6D7E8F9");
    ASSERT_EQ(CHECKED_CALL(C_VEMO_GetCertInfo, text.data(), "1", out.data() + 4, pack.get()), 0);
    EXPECT_STREQ(out.data() + 4, "V3");
    EXPECT_EQ(out[0], 'x');

    char garbage[] = "not a certificate";
    EXPECT_EQ(CHECKED_CALL(C_VEMO_GetCertInfo, garbage, "1", out.data() + 4, pack.get()), E_FAILED);
    EXPECT_EQ(CHECKED_CALL(C_VEMO_GetCertInfo, nullptr, "1", out.data() + 4, pack.get()), SPC_INPUTARG_ERROR_01);
}

TEST(UserCert, FromAFileAndTheEmptyArmour) {
    ScopedWorkingDirectory directory;
    const std::vector<uint8_t> bytes = FixtureBytes("root-a.crt.pem");
    const std::string pem(bytes.begin(), bytes.end());
    std::ofstream("certificate.pem", std::ios::binary) << pem;
    std::vector<char> out(CVEMO_CERT_TEXT_MAX + 8, 'x');
    int32_t length = -7;
    ASSERT_EQ(CHECKED_CALL(C_VEMO_GetUserCert, "", "", "certificate.pem", "3", out.data(), &length), 0);
    EXPECT_EQ(length, static_cast<int32_t>(pem.size()));
    EXPECT_EQ(std::string(out.data(), pem.size()), pem);
    EXPECT_EQ(out[pem.size()], 'x') << "the file source writes no terminator";

    if constexpr (kUsesToken) {  // the picker edition asks the user in a dialog instead
        ASSERT_EQ(CHECKED_CALL(C_VEMO_GetUserCert, "a", "b", "c", "2", out.data(), &length), 0);
        EXPECT_EQ(length, 52);
        EXPECT_STREQ(out.data(), "-----BEGIN CERTIFICATE----------END CERTIFICATE-----");

        // A token whose certificate read succeeds with no bytes gives no certificate.
        ScopedTokenStore store;
        token::TokenImage image{{FixtureContainer("user1024", "LAB-USER")}, {}};
        image.setFault(token::FaultPoint::GetCurrentCertificate, 0);
        store.plugIn(image);
        length = -7;
        EXPECT_EQ(CHECKED_CALL(C_VEMO_GetUserCert, "", "", "", "4", out.data(), &length), E_TOKEN_CERT_BASE + 1);
        EXPECT_EQ(length, -7);
    }

    length = -7;
    EXPECT_EQ(CHECKED_CALL(C_VEMO_GetUserCert, "", "", "no-such-file", "3", out.data(), &length), E_FILE_OPEN_ERROR);
    EXPECT_EQ(length, -7);
    EXPECT_EQ(std::memcmp(out.data(), "\0\0\0\0", 4), 0);
}

TEST(Checks, ValidityIssuerAndRevocationList) {
    ScopedStoreEntry root("ROOT", "root-a.crt.der");
    struct Case {
        const char* certificate;
        int32_t verifyCert;
        int32_t verifyCrl;  // mode "3" with the list
        const char* list = "root-a.crl.der";
    };
    const Case cases[] = {
        {"user1024.crt.pem", 0, CVEMO_CRL_NOT_REVOKED},
        {"revoked.crt.pem", 0, E_CERT_REVOKED},
        {"expired.crt.pem", E_CERT_EXPIRED, CVEMO_CRL_NOT_REVOKED},
        {"root-b-user.crt.pem", E_ISSUECERT_INVALID, SPC_INPUTARG_ERROR_01},  // another issuer's list
        {"user1024.crt.pem", 0, E_CRL_UNTRUSTED, "crl-cases/forged.crl.der"},
        {"user1024.crt.pem", 0, E_CRL_OUT_OF_DATE, "crl-cases/root-a-expired.crl.der"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.certificate) + " with " + c.list);
        const std::string crl = FixturePath(c.list);
        std::vector<char> text = PemText(c.certificate);
        EXPECT_EQ(CHECKED_CALL(C_VEMO_VerifyUserCert, text.data(), 0), c.verifyCert);
        text = PemText(c.certificate);
        EXPECT_EQ(CHECKED_CALL(C_VEMO_VerifyUserCRL, text.data(), crl.c_str(), "3"), c.verifyCrl);
        text = PemText(c.certificate);
        EXPECT_EQ(CHECKED_CALL(C_VEMO_VerifyUserCRL, text.data(), "no-such-file", "1"), 0);
    }
    EXPECT_EQ(CHECKED_CALL(C_VEMO_VerifyUserCert, nullptr, 0), SPC_INPUTARG_ERROR_01);
}

TEST(Checks, CertificationPathThroughAnIntermediate) {
    ScopedStoreEntry root("ROOT", "path-cases/root.crt.pem");
    const std::vector<char> user = PemText("path-cases/user-1.crt.pem"), ca = PemText("path-cases/ca-1.crt.pem");
    const std::string lists = FixturePath("path-cases/ca-1.crl.pem") + ";" + FixturePath("path-cases/root.crl.pem");
    std::vector<char> path(CVEMO_PATH_TEXT_MAX, 'x');
    uint32_t length = static_cast<uint32_t>(path.size());
    ASSERT_EQ(CHECKED_CALL(C_VEMO_VerifyCertPath, user.data(), ca.data(), lists.c_str(), CVEMO_PATH_REVOCATION,
                           path.data(), &length),
              0);
    const std::string text(path.data(), length);
    EXPECT_EQ(path[length], '\0');
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
    EXPECT_NE(text.find("CN=Vemo Path CA 1\n"), std::string::npos) << text;

    // Too short by one: only the length, and the buffer as it was.
    const uint32_t need = length;
    length = need;
    std::fill(path.begin(), path.end(), 'x');
    EXPECT_EQ(CHECKED_CALL(C_VEMO_VerifyCertPath, user.data(), ca.data(), nullptr, 0u, path.data(), &length),
              E_BUFFER_TOO_SMALL);
    EXPECT_EQ(length, need);
    EXPECT_EQ(path[0], 'x');
    EXPECT_EQ(CHECKED_CALL(C_VEMO_VerifyCertPath, user.data(), nullptr, nullptr, 0u, nullptr, nullptr),
              E_ISSUECERT_INVALID);
}

}  // namespace
}  // namespace vemo::test
