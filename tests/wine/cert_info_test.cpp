// C_VEMO_GetCertInfo: every item of the test PKI's certificates as openssl shows them (dates in
// this run's time zone, 8 hours east of UTC), the pack as each edition fills it, the text forms,
// the failures, and values cut at their buffers.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "support/edition_under_test.h"
#include "support/hex_text.h"
#include "support/scoped_environment.h"
#include "support/store_fixture.h"
#include "support/token_fixture.h"

namespace vemo::test {
namespace {

constexpr char kCanary = '#';
constexpr size_t kInfoSize = 1024;
constexpr int32_t kUntouched = 77;

std::string Text(const std::string& fixture) {
    const std::vector<uint8_t> bytes = FixtureBytes(fixture);
    return std::string(bytes.begin(), bytes.end());
}

// A pack as the edition's caller has one: the token edition's from C_VEMO_NewPack; the trace
// edition's built by the caller with process-heap buffers; the picker edition's uninitialised
// (each call gives it fresh buffers). Every slot starts with kUntouched and canary bytes.
class CallerPack {
public:
    CallerPack() {
        if (Edition().kind() == EditionKind::Token) {
            EXPECT_EQ(Edition().newPack(&pack_), 0);
        } else {
            pack_ = own_;
            std::memset(own_, 0xAB, sizeof own_);
            if (Edition().kind() == EditionKind::Trace) {
                for (PackItem& item : own_) item.data = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, PACK_ITEM_SIZE));
            }
        }
        for (int slot = 0; slot < PACK_ITEM_COUNT; ++slot) {
            pack_[slot].length = kUntouched;
            if (Edition().kind() != EditionKind::Picker) std::memset(pack_[slot].data, kCanary, PACK_ITEM_SIZE);
        }
    }
    ~CallerPack() { Edition().freePack(pack_); }
    PackItem* get() { return pack_; }
    // The slot's bytes as its length says.
    std::string slot(int index) const {
        const PackItem& item = pack_[index];
        return item.data == nullptr || item.length < 0 ? "" : std::string(item.data, item.length);
    }

private:
    Pack own_;
    PackItem* pack_ = nullptr;
};

struct InfoCall {
    int32_t result = 0;
    std::string info;          // up to its terminator
    bool infoGuarded = true;   // nothing past the 1024 bytes
    bool infoCleared = true;   // failure: the first 4 bytes zero, the rest untouched
};

InfoCall GetCertInfo(std::string text, const char* item, CallerPack& pack, bool withText = true) {
    std::vector<char> out(kInfoSize + 16, kCanary);
    std::vector<char> caller(text.begin(), text.end());
    caller.push_back('\0');
    InfoCall call;
    call.result = Edition().getCertInfo(withText ? caller.data() : nullptr, item, out.data(), pack.get());
    for (size_t i = kInfoSize; i < out.size(); ++i) call.infoGuarded &= out[i] == kCanary;
    for (size_t i = 0; i < kInfoSize; ++i) call.infoCleared &= out[i] == (i < 4 ? '\0' : kCanary);
    call.info = std::string(out.data(), strnlen(out.data(), kInfoSize));
    return call;
}

std::string Info(const std::string& fixture, const char* item) {
    CallerPack pack;
    const InfoCall call = GetCertInfo(Text(fixture), item, pack);
    EXPECT_EQ(call.result, 0) << fixture << " item " << item;
    EXPECT_TRUE(call.infoGuarded);
    return call.info;
}

// The platform's X.500 string of a name, which the items hand on.
std::string X500Of(const std::vector<uint8_t>& der, bool issuer = false) {
    PCCERT_CONTEXT certificate = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), DWORD(der.size()));
    char text[2048] = {};
    CertNameToStrA(X509_ASN_ENCODING, issuer ? &certificate->pCertInfo->Issuer : &certificate->pCertInfo->Subject,
                   CERT_X500_NAME_STR, text, sizeof text);
    CertFreeCertificateContext(certificate);
    return text;
}
std::string X500(const std::string& derFixture, bool issuer) { return X500Of(FixtureBytes(derFixture), issuer); }

TEST(CertInfo, TheTimeZoneIsEightHoursEastOfUtc) {
    TIME_ZONE_INFORMATION zone;
    GetTimeZoneInformation(&zone);
    ASSERT_EQ(zone.Bias, -480) << "run the library tests with TZ=CST-8";
}

TEST(CertInfo, EveryItemOfTheTestPki) {
    const std::string aki = "80140CCA487FAB9D4C03A56EF4FA459594F8BA06C109";
    const struct {
        const char* certificate;
        const char* item;
        std::string text;
    } cases[] = {
        {"user1024.crt.pem", "1", "V3"},
        {"user1024.crt.pem", "2", "3A1B2C3D4E5F60718293A4B5C6D7E8F9"},
        {"user1024.crt.pem", "3", X500("user1024.crt.der", false)},
        {"user1024.crt.pem", "4", "2000-1-1-8-0-0,2050-1-1-7-59-59"},
        {"user1024.crt.pem", "5", X500("user1024.crt.der", true)},
        {"user1024.crt.pem", "6", Hex(FixtureBytes("user1024.pub.der"), HexCase::Upper)},
        {"user1024.crt.pem", "7", aki},
        {"user1024.crt.pem", "8", "0CF1C03372A5F6511964F4CE46DA027DF125B946"},
        {"user1024.crt.pem", "31", "CN"},
        {"user1024.crt.pem", "32", "Beijing"},
        {"user1024.crt.pem", "33", "Haidian"},
        {"user1024.crt.pem", "34", "Vemo Test"},
        {"user1024.crt.pem", "35", "Token Lab"},
        {"user1024.crt.pem", "36", "Vemo User 1024"},
        {"user1024.crt.pem", "37", "user1024@vemo.test"},
        {"user1024.crt.pem", "41", "2000-1-1-8-0-0"},
        {"user1024.crt.pem", "42", "2050-1-1-7-59-59"},
        {"user1024.crt.pem", "99", ""},
        {"user1024.crt.pem", "0", ""},
        {"user1024.crt.pem", "abc", ""},
        {"user2048.crt.b64", "2", "4B3A291807F6E5D4C3B2A19F7D5C3B8E00"},  // odd length: the platform's order
        {"user2048.crt.b64", "6", Hex(FixtureBytes("user2048.pub.der"), HexCase::Upper)},
        {"signer.crt.pem", "2", "0102"},
        {"plain.crt.pem", "1", "V1"},
        {"plain.crt.pem", "2", "030201"},
        {"plain.crt.pem", "3", X500("plain.crt.der", false)},
        {"plain.crt.pem", "7", ""},
        {"plain.crt.pem", "8", ""},
        {"plain.crt.pem", "37", ""},
        {"root-a.crt.pem", "2", "0A"},
        {"root-a.crt.pem", "5", X500("root-a.crt.der", false)},
        {"root-a.crt.pem", "7", aki},
        {"root-a.crt.pem", "8", aki.substr(4)},
    };
    for (const auto& row : cases) EXPECT_EQ(Info(row.certificate, row.item), row.text) << row.certificate << " " << row.item;
    EXPECT_NE(X500("user1024.crt.der", false).find("CN=Vemo User 1024"), std::string::npos);
}

TEST(CertInfo, PackSlotsWhateverTheItem) {
    const bool picker = Edition().kind() == EditionKind::Picker;
    const struct {
        const char* certificate;
        std::vector<std::string> slots;
    } cases[] = {
        {"user1024.crt.pem",
         {std::string("CN\0", 3), std::string("Beijing\0", 8), std::string("Haidian\0", 8),
          std::string("Vemo Test\0", 10), std::string("Token Lab\0", 10), std::string("Vemo User 1024\0", 15),
          std::string("user1024@vemo.test\0", 19), "3A1B2C3D4E5F60718293A4B5C6D7E8F9",
          "6572313032344076656D6F2E74657374"}},
        {"signer.crt.pem",
         {std::string("CN\0", 3), std::string("Beijing\0", 8), std::string("Haidian\0", 8),
          std::string("Vemo Test\0", 10), std::string("Token Lab\0", 10), std::string("Vemo Signer\0", 12),
          std::string("signer@vemo.test\0", 17), "0102", "7369676E65724076656D6F2E74657374"}},
        // No state, locality, unit or e-mail: length 1 and an empty text. No subject alternative
        // name: slot 8 keeps its length (and, but for the picker's fresh buffer, its bytes).
        {"plain.crt.pem",
         {std::string("CN\0", 3), std::string("\0", 1), std::string("\0", 1), std::string("Vemo Test\0", 10),
          std::string("\0", 1), std::string("Vemo Plain User\0", 16), std::string("\0", 1), "030201",
          picker ? std::string(kUntouched, '\0') : std::string(kUntouched, kCanary)}},
    };
    for (const auto& row : cases) {
        for (const char* item : {"99", "2"}) {
            SCOPED_TRACE(testing::Message() << row.certificate << " item " << item);
            CallerPack pack;
            ASSERT_EQ(GetCertInfo(Text(row.certificate), item, pack).result, 0);
            for (int slot = 0; slot < PACK_ITEM_COUNT; ++slot) EXPECT_EQ(pack.slot(slot), row.slots[slot]) << slot;
        }
    }
}

TEST(CertInfo, TextFormsAndTheCallersBuffer) {
    const std::string bare = Text("user1024.crt.b64");
    std::string crlf = Text("user1024.crt.pem");
    crlf = std::regex_replace(crlf, std::regex("\n"), "\r\n");
    for (const std::string& text : {Text("user1024.crt.pem"), bare, crlf}) {
        std::vector<char> caller(text.begin(), text.end());
        caller.push_back('\0');
        char info[kInfoSize];
        CallerPack pack;
        ASSERT_EQ(Edition().getCertInfo(caller.data(), "36", info, pack.get()), 0);
        EXPECT_STREQ(info, "Vemo User 1024");
        // The token edition reads a private copy; the others normalise the caller's text in place.
        EXPECT_EQ(std::string(caller.data()), Edition().kind() == EditionKind::Token ? text : bare);
    }
}

TEST(CertInfo, FailuresWriteNothingButTheClearedStart) {
    ScopedWorkingDirectory directory;
    const struct {
        const char* name;
        std::string text;
        const char* item;
        int32_t result;
        const char* logged;  // token edition; nullptr: nothing
    } cases[] = {
        {"empty text", "", "36", SPC_INPUTARG_ERROR_01, nullptr},
        {"text over 4096 characters", "MI" + std::string(4095, 'A'), "36", SPC_INPUTARG_ERROR_01, nullptr},
        {"null item", Text("user1024.crt.pem"), nullptr, SPC_INPUTARG_ERROR_01, nullptr},
        {"not a certificate text", "hello", "36", E_FAILED,
         "\\[ERROR\\]MoveRedunStrFormPemCert is error, Error Code: 0xffffffff,Line \\d+"},
        {"Base64 that does not decode", "MIIB!!!!", "36", E_PEM_DECODE_ERROR,
         "\\[ERROR\\]R_DecodePEMBlock is error, Line \\d+"},
        {"not a certificate", "MIIBAAAA", "36", E_CERT_DATA_ERROR,
         "\\[ERROR\\]CertCreateCertificateContext is error, Line \\d+"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        DeleteFileA(TodaysUserLogName().c_str());
        CallerPack pack;
        const InfoCall call = GetCertInfo(row.text, row.item, pack);
        EXPECT_EQ(call.result, row.result);
        EXPECT_TRUE(call.infoCleared);
        for (int slot = 0; slot < PACK_ITEM_COUNT; ++slot) {
            EXPECT_EQ(pack.get()[slot].length, kUntouched);
            if (Edition().kind() != EditionKind::Picker) {
                EXPECT_EQ(pack.slot(slot), std::string(kUntouched, kCanary));
            }
        }
        const std::string log = ReadFileBytes(TodaysUserLogName());
        if (Edition().writesUserLog() && row.logged != nullptr) {
            EXPECT_TRUE(std::regex_search(log, std::regex(std::string(" ") + row.logged + "\n\n$"))) << log;
        } else {
            EXPECT_EQ(log, "");
        }
    }
    CallerPack pack;
    EXPECT_EQ(GetCertInfo(Text("user1024.crt.pem"), "36", pack, false).result, SPC_INPUTARG_ERROR_01);
    char info[8];
    EXPECT_EQ(Edition().getCertInfo(Text("user1024.crt.pem").data(), "36", info, nullptr), SPC_INPUTARG_ERROR_01);
    // Without an output, only an item outside the table is accepted: the pack alone is filled.
    std::string text = Text("user1024.crt.pem");
    EXPECT_EQ(Edition().getCertInfo(text.data(), "36", nullptr, pack.get()), SPC_INPUTARG_ERROR_01);
    text = Text("user1024.crt.pem");
    EXPECT_EQ(Edition().getCertInfo(text.data(), "99", nullptr, pack.get()), 0);
    EXPECT_EQ(pack.slot(5), std::string("Vemo User 1024\0", 15));
}

TEST(CertInfo, LongValuesAreCutAtTheirBuffers) {
    const std::string name(300, 'N'), organisation(300, 'O'), unit(300, 'U');
    Der serial(120);
    for (size_t i = 0; i < serial.size(); ++i) serial[i] = static_cast<uint8_t>(i + 1);
    const Der der = MadeCertificate(L"CN=" + std::wstring(name.begin(), name.end()) + L", O=" +
                                        std::wstring(organisation.begin(), organisation.end()) + L", OU=" +
                                        std::wstring(unit.begin(), unit.end()) + L", L=" + std::wstring(300, L'L'),
                                    serial);
    const std::string pem = OneLinePem(der);
    const bool picker = Edition().kind() == EditionKind::Picker;
    const size_t attributeSlot = picker ? 100 : PACK_ITEM_SIZE, serialSlot = picker ? 128 : PACK_ITEM_SIZE;

    CallerPack pack;
    InfoCall call = GetCertInfo(pem, "36", pack);
    ASSERT_EQ(call.result, 0);
    EXPECT_EQ(pack.slot(5), name.substr(0, attributeSlot - 1) + '\0');
    EXPECT_EQ(pack.slot(7), Hex(serial, HexCase::Upper).substr(0, serialSlot));
    // The items of the slots are exactly their text, cut as the slot is (the slots of the
    // subject attributes hold a terminator, the serial number's none).
    for (int slot = 0; slot <= 7; ++slot) {
        const std::string item = slot == 7 ? "2" : std::to_string(31 + slot);
        const std::string text = slot == 7 ? pack.slot(7) : pack.slot(slot).substr(0, pack.slot(slot).size() - 1);
        CallerPack other;
        EXPECT_EQ(GetCertInfo(pem, item.c_str(), other).info, text) << "item " << item;
    }
    const std::string subject = X500Of(der);
    ASSERT_GT(subject.size(), 1023u);
    const struct {
        const char* item;
        std::string text;
    } cases[] = {
        {"3", subject.substr(0, 1023)},
        {"4", "2001-2-3-12-5-6,2040-11-12-21-14-15"},
    };
    for (const auto& row : cases) {
        CallerPack other;
        call = GetCertInfo(pem, row.item, other);
        EXPECT_EQ(call.info, row.text) << row.item;
        EXPECT_TRUE(call.infoGuarded);
    }
}

}  // namespace
}  // namespace vemo::test
