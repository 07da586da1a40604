// C_VEMO_GetUserCert from the token, the stores, a file and no source at all, per edition; the
// download has a file of its own. Every failure leaves the first 4 output bytes zero and the
// length unwritten; nothing is written past the largest output.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "support/edition_under_test.h"
#include "support/scoped_environment.h"
#include "support/store_fixture.h"
#include "support/token_fixture.h"
#include "support/user_cert_call.h"
#include "token/provision/container_import.h"

namespace vemo::test {
namespace {

using token::provision::ContainerWithoutKey;

constexpr int32_t kNotPicked = E_ENCROLL_CERT_NO_FIND;  // the picker edition's selection dialog, cancelled
// The picker edition takes a dialog's choice in place of the token and the personal store.
bool Picker() { return !Edition().usesToken(); }

void ExpectSuccess(const UserCertCall& call, const std::string& text, bool terminated = true) {
    EXPECT_EQ(call.result, 0);
    EXPECT_EQ(call.text, text);
    EXPECT_EQ(call.length, static_cast<int32_t>(text.size()));
    EXPECT_EQ(call.terminated, terminated);
    EXPECT_TRUE(call.guardsIntact);
}

void ExpectFailure(const UserCertCall& call, int32_t result) {
    EXPECT_EQ(call.result, result);
    EXPECT_TRUE(call.emptyOnFailure) << "first 4 bytes zero, nothing else written, length untouched";
    EXPECT_TRUE(call.guardsIntact);
}

// The user log's entries, each "[ERROR]..." message without its timestamp and line number.
std::vector<std::string> LoggedMessages() {
    const std::string log = ReadFileBytes(TodaysUserLogName());
    std::vector<std::string> messages;
    const std::regex entry("\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2} (\\[ERROR\\][^\n]*)Line \\d+\n\n");
    for (std::sregex_iterator it(log.begin(), log.end(), entry), end; it != end; ++it) messages.push_back((*it)[1]);
    return messages;
}

TEST(UserCert, ArgumentsEachSelectorRequires) {
    ScopedWorkingDirectory directory;
    const struct {
        const char* source;
        const char* lookup;
        const char* serial;
        const char* location;
    } cases[] = {
        {nullptr, "l", "01", "x"},
        {"0", nullptr, "01", "x"},
        {"0", "l", nullptr, "x"},
        {"1", "l", "01", nullptr},
        {"3", "l", "01", nullptr},
        {"2", "", "01", "x"},
        {"2", "l", "", "x"},
        {"2", "l", "01", ""},
        {"2", nullptr, "01", "x"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(testing::Message() << (row.source ? row.source : "null") << " " << (row.lookup ? "" : "lookup ")
                                        << (row.serial ? "" : "serial ") << (row.location ? "" : "location"));
        ExpectFailure(GetUserCert(row.source, row.lookup, row.serial, row.location), SPC_INPUTARG_ERROR_01);
    }
    int32_t length = UserCertCall::kLengthUnwritten;
    char out[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(Edition().getUserCert("l", "s", "x", "2", nullptr, &length), SPC_INPUTARG_ERROR_01);
    EXPECT_EQ(Edition().getUserCert("l", "s", "x", "2", out, nullptr), SPC_INPUTARG_ERROR_01);
    EXPECT_EQ(std::string(out, 8), std::string("\0\0\0\0\5\6\7\10", 8)) << "cleared before the check";
    EXPECT_EQ(length, UserCertCall::kLengthUnwritten);
}

TEST(UserCert, NoSourceGivesTheArmourAlone) {
    ScopedWorkingDirectory directory;
    const UserCertCall call = GetUserCertOrCancel("2", "l", "s", "x");
    if (Picker()) return ExpectFailure(call, kNotPicked);
    ExpectSuccess(call, "-----BEGIN CERTIFICATE----------END CERTIFICATE-----");
    EXPECT_EQ(call.length, 52);
}

TEST(UserCert, FileBytesAsTheyAreUpTo4096) {
    ScopedWorkingDirectory directory;
    const std::string large(5000, 'x'), binary("\x30\x82\x00\x00\xff", 5), empty;
    const struct {
        const char* name;
        const std::string* content;  // nullptr: no such file
        int32_t result;
        std::string text;
    } cases[] = {
        {"large.txt", &large, 0, std::string(4096, 'x')},
        {"binary.der", &binary, 0, binary},
        {"empty.txt", &empty, E_FILE_READ_ERROR, ""},
        {"missing.txt", nullptr, E_FILE_OPEN_ERROR, ""},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        if (row.content != nullptr) std::ofstream(row.name, std::ios::binary) << *row.content;
        const UserCertCall call = GetUserCert("3", "l", "s", row.name);
        if (row.result != 0) {
            ExpectFailure(call, row.result);
            continue;
        }
        EXPECT_EQ(call.result, 0);
        EXPECT_EQ(call.text, row.text);
        EXPECT_TRUE(call.guardsIntact);
    }
    EXPECT_FALSE(GetUserCert("3", "l", "s", "large.txt").terminated) << "no terminator is added";
    ExpectFailure(GetUserCert("3", "l", "s", directory.path().c_str()), E_FILE_OPEN_ERROR);
    EXPECT_EQ(ListFolder(directory.path()).size(), Edition().writesTrace() ? 4u : 3u) << "no user log";
}

TEST(UserCert, SerialLookupInMyThenAddressBook) {
    ScopedWorkingDirectory directory;
    ScopedStoreContents my("MY", {FixtureBytes("user1024.crt.der"), FixtureBytes("plain.crt.der"),
                                  FixtureBytes("oversized.crt.der")});
    ScopedStoreContents addressBook("AddressBook", {FixtureBytes("signer.crt.der"), FixtureBytes("user2048.crt.der")});
    const struct {
        const char* serial;
        const char* certificate;  // nullptr: the result instead
        int32_t result;
    } cases[] = {
        {"3A1B2C3D4E5F60718293A4B5C6D7E8F9", "user1024", 0},   // most significant byte first
        {"f9e8d7c6b5a4938271605f4e3d2c1b3a", "user1024", 0},   // least significant first, lower case
        {"010203", "plain", 0},                                 // odd length, either order
        {"030201", "plain", 0},
        {"0102", "signer", 0},                                  // only in "AddressBook"
        {"0201", "signer", 0},
        {"008E3B5C7D9FA1B2C3D4E5F60718293A4B", "user2048", 0},  // the sign byte is part of the number
        {"8E3B5C7D9FA1B2C3D4E5F60718293A4B", nullptr, E_ENCROLL_CERT_NO_FIND},
        {"3A1B2C3D4E5F60718293A4B5C6D7E8F", nullptr, E_ENCROLL_CERT_NO_FIND},
        {"", nullptr, E_ENCROLL_CERT_NO_FIND},
        {"6001", nullptr, SPC_UNKNOWN_ERROR},                   // 5063 bytes of DER
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.serial);
        const UserCertCall call = GetUserCert("0", "", row.serial);
        if (row.certificate == nullptr) {
            ExpectFailure(call, row.result);
            continue;
        }
        ExpectSuccess(call, OneLinePem(FixtureBytes(std::string(row.certificate) + ".crt.der")));
    }
    if (Edition().writesUserLog()) {
        const std::vector<std::string> expected = {
            "[ERROR]GetUserCer is error,Error Code: E_ENCROLL_CERT_NO_FIND,",
            "[ERROR]GetUserCer is error,Error Code: E_ENCROLL_CERT_NO_FIND,",
            "[ERROR]GetUserCer is error,Error Code: E_ENCROLL_CERT_NO_FIND,",
        };
        std::vector<std::string> logged = LoggedMessages();
        ASSERT_EQ(logged.size(), 4u);
        EXPECT_TRUE(std::regex_match(logged.back(), std::regex("\\[ERROR\\]GetUserCer is error,Error Code: 0x[0-9a-f]{8},")));
        logged.pop_back();
        EXPECT_EQ(logged, expected);
    }
}

// Whether the ANSI code page holds the text: the personal store finds its certificate again by
// the display name read as ANSI text.
bool AnsiHolds(const std::wstring& text) {
    BOOL lost = FALSE;
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, &lost);
    return !lost;
}

TEST(UserCert, PersonalStoreSourceAndItsNameFile) {
    const std::wstring chineseName = L"\x4e2d\x6587";  // "Chinese" in Chinese
    const Der chinese = MadeCertificate(L"CN=" + chineseName, {0x77});
    const bool ansiHoldsIt = AnsiHolds(chineseName);
    const std::vector<std::string> notFound = {"[ERROR]CertFindCertificateInStore is error,",
                                               "[ERROR]GetUserCerFromIe is error,Error Code: 0xffffffff,"};
    const struct {
        std::vector<Der> store;
        const char* source;
        int32_t result;  // token and trace editions
        std::vector<std::string> logged;
    } cases[] = {
        {{FixtureBytes("user1024.crt.der")}, "5", 0, {}},
        {{FixtureBytes("user1024.crt.der")}, "", 0, {}},  // an empty selector is "any other"
        {{}, "9", E_FAILED,
         {"[ERROR]CertEnumCertificatesInStore is error, No Cert ,",
          "[ERROR]GetUserCerFromIe is error,Error Code: 0xffffffff,"}},
        {{FixtureBytes("oversized.crt.der")}, "x", SPC_UNKNOWN_ERROR,
         {"[ERROR]GetUserCerFromIe is error,Error Code: 0xfffffc19,"}},
        // A name the ANSI code page cannot hold comes back as "??", which no subject contains.
        {{chinese}, "x", ansiHoldsIt ? 0 : E_FAILED, ansiHoldsIt ? std::vector<std::string>{} : notFound},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(testing::Message() << "\"" << row.source << "\", " << row.store.size() << " certificates");
        ScopedWorkingDirectory directory;
        ScopedStoreContents my("MY", row.store);
        const UserCertCall call = GetUserCertOrCancel(row.source);
        if (Picker()) {
            ExpectFailure(call, kNotPicked);
            continue;
        }
        if (Edition().writesUserLog()) {
            EXPECT_EQ(LoggedMessages(), row.logged);
        }
        if (row.result != 0) {
            ExpectFailure(call, row.result);
            continue;
        }
        ExpectSuccess(call, OneLinePem(row.store[0]));
        if (row.store[0] != chinese) {
            // The display name as UTF-16LE, without byte-order mark or terminator.
            EXPECT_EQ(ReadFileBytes("certinfo.txt"), std::string("V\0e\0m\0o\0 \0U\0s\0e\0r\0 \0" "1\0" "0\0" "2\0" "4\0", 28));
        }
    }
}

token::TokenImage TokenOf(std::vector<token::Container> containers) {
    token::TokenImage image;
    image.containers = std::move(containers);
    return image;
}

TEST(UserCert, TokenSourceTakesTheFirstUserContainer) {
    if (Picker()) return ExpectFailure(GetUserCertOrCancel("4"), kNotPicked);
    const token::Container user = FixtureContainer("user1024", "LAB-USER");
    const std::string pem = OneLinePem(FixtureBytes("user1024.crt.der"));
    const bool trace = Edition().writesTrace();  // takes "*default*" for a user's container
    token::TokenImage enumFails = TokenOf({user}), certFails = TokenOf({user});
    enumFails.setFault(token::FaultPoint::EnumContainer, 0x0E00ABCD);
    certFails.setFault(token::FaultPoint::GetCurrentCertificate, 0x0E00ABCE);
    const struct {
        const char* name;
        token::TokenImage token;
        int32_t result;
        std::vector<std::string> logged;  // token edition
    } cases[] = {
        {"user first", TokenOf({user}), 0, {}},
        {"*defalut* first", TokenOf({ContainerWithoutKey("*defalut*"), user}), 0, {}},
        {"*default* first", TokenOf({ContainerWithoutKey("*default*"), user}), trace ? -8887 : 0, {}},
        {"only pseudo-containers", TokenOf({ContainerWithoutKey("*default*"), ContainerWithoutKey("*defalut*"), user}),
         trace ? -8887 : E_TOKEN_NO_USER_CONTAINER,
         {"[ERROR]GetUserCerFromKey is error, Error Code: -7777,",
          "[ERROR]GetUserCerFromKey is error,Error Code: 0xffffe19f,"}},
        {"two *defalut*", TokenOf({ContainerWithoutKey("*defalut*"), ContainerWithoutKey("*defalut*"), user}),
         E_TOKEN_NO_USER_CONTAINER,
         {"[ERROR]GetUserCerFromKey is error, Error Code: -7777,",
          "[ERROR]GetUserCerFromKey is error,Error Code: 0xffffe19f,"}},
        {"one pseudo-container", TokenOf({ContainerWithoutKey("*defalut*")}), -9997,
         {"[ERROR]UTEnumCtn is error, Error Code: 0x0e000012,",
          "[ERROR]GetUserCerFromKey is error,Error Code: 0xffffd8f3,"}},
        {"enumeration fails", enumFails, -9998,
         {"[ERROR]UTEnumCtn is error, Error Code: 0x0e00abcd,",
          "[ERROR]GetUserCerFromKey is error,Error Code: 0xffffd8f2,"}},
        {"certificate read fails", certFails, -8887,
         {"[ERROR]UTGetCurCert is error, Error Code: 0x0e00abce,",
          "[ERROR]GetUserCerFromKey is error,Error Code: 0xffffdd49,"}},
    };
    ScopedTokenStore store;
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        ScopedWorkingDirectory directory;
        store.plugIn(row.token);
        const UserCertCall call = GetUserCert("4");
        if (row.result != 0) {
            ExpectFailure(call, row.result);
        } else {
            ExpectSuccess(call, pem);
        }
        if (Edition().writesUserLog()) {
            EXPECT_EQ(LoggedMessages(), row.logged);
        }
    }
    ScopedWorkingDirectory directory;
    DeleteFileA(store.path().c_str());  // no token plugged in
    ExpectFailure(GetUserCert("4"), -9998);
}

TEST(UserCert, TraceBlocksPerCallWithThePersonalStoreNested) {
    if (!Edition().writesTrace()) GTEST_SKIP() << "no trace in this edition";
    ScopedWorkingDirectory directory;
    ScopedStoreContents my("MY", {FixtureBytes("user1024.crt.der")});
    ScopedTokenStore store;
    store.plugIn(TokenOf({ContainerWithoutKey("*defalut*"), FixtureContainer("user1024", "LAB-USER")}));
    ASSERT_EQ(GetUserCert("4").result, 0);
    ASSERT_EQ(GetUserCert("x").result, 0);
    ASSERT_EQ(GetUserCert("0", nullptr).result, SPC_INPUTARG_ERROR_01);
    {
        ScopedStoreContents empty("MY", {});
        ASSERT_EQ(GetUserCert("x").result, E_FAILED);
    }
    const std::string header =
        "========================================================\r\n\r\n\r\n"
        "Project Name: CVemoDLL_C Project - Date: \\d{1,2}/\\d{1,2}/\\d{4} - Time: \\d{2}h\\d{2}m\r\n";
    const std::string expected =
        header + "\\*\\*\\*\\*\\* GetUserCerFromKey OK\\. \r\n" +
        header + header +  // the personal-store reader's own block inside the call's
        "\\*{6} CertOpenSystemStore OK\\. \r\n\\*{6}"
        "\\*{6} MultiByteToWideChar OK\\. pszNameString len is 14\\*{6}\r\n"
        "\\*{6} MultiByteToWideChar OK\\. utfname len is 14\\*{6}\r\n"
        "\\*{6} CertGetNameStringA OK\\. NameString len is 1260\\*{6}\r\n"
        "\\*{6} CertGetNameStringA OK\\. \\*{6}\r\n"
        "\\*{6} CertEnumCertificatesInStore OK\\. \\*{6}\r\n" +
        header +  // an argument failure still opens a block
        header + header +
        "\\*{6} CertOpenSystemStore OK\\. \r\n\\*{6}"
        "\\*{5} CertEnumCertificatesInStore fails\\. Line \\d+\r\n"
        "\\*{5} GetUserCerFromIe fails\\. Error Code: 0xffffffff, Line \\d+\r\n";
    const std::string trace = ReadFileBytes("CVemoDLL_Debug.txt");
    EXPECT_TRUE(std::regex_match(trace, std::regex(expected))) << trace;
}

}  // namespace
}  // namespace vemo::test
