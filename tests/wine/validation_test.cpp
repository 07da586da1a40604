// The certificate check (validity period, issuing root of "ROOT" and its lists there) and the
// revocation list check, through the edition's exports, against the test PKI.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "CVemoDll_C.h"
#include "support/edition_under_test.h"
#include "support/scoped_environment.h"
#include "support/store_fixture.h"
#include "support/token_fixture.h"

namespace vemo::test {
namespace {

using Text = std::optional<std::string>;  // nullopt: a null pointer

std::string FixtureText(const std::string& name) {
    const std::vector<uint8_t> bytes = FixtureBytes(name);
    return {bytes.begin(), bytes.end()};
}

std::string WithCrLf(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

std::string OneLine(const std::string& text) {
    std::string out;
    for (char c : text) if (c != '\n') out += c;
    return out;
}

// `text` after enough line feeds to make it `size` characters: what matters comes last.
std::string PaddedTo(size_t size, const std::string& text) { return std::string(size - text.size(), '\n') + text; }

// The bare Base64 that the trace and picker editions leave in the caller's buffer.
std::string Normalised(const std::string& pem) {
    const std::string line = OneLine(WithCrLf(pem));
    std::string bare;
    for (char c : line) if (c != '\r' && c != '-' && c != ' ') bare += c;
    return bare.substr(16, bare.find("ENDCERTIFICATE") - 16);
}

int32_t NotYetValid() { return Edition().kind() == EditionKind::Token ? E_CERT_NOT_YET_VALID : E_CERT_EXPIRED; }

struct Call {
    int32_t result;
    std::string textAfter;  // the caller's certificate text after the call
};

// Each call gets an exact-size heap copy of the text, so a read past its end is caught.
Call VerifyCert(const Text& text, int32_t reserved = 0) {
    if (!text) return {Edition().verifyUserCert(nullptr, reserved), {}};
    std::vector<char> buffer(text->begin(), text->end());
    buffer.push_back('\0');
    const int32_t result = Edition().verifyUserCert(buffer.data(), reserved);
    return {result, buffer.data()};
}

Call VerifyCrl(const Text& text, const char* file, const char* mode) {
    if (!text) return {Edition().verifyUserCRL(nullptr, file, mode), {}};
    std::vector<char> buffer(text->begin(), text->end());
    buffer.push_back('\0');
    const int32_t result = Edition().verifyUserCRL(buffer.data(), file, mode);
    return {result, buffer.data()};
}

// The list file of a call in the current folder; nullopt: no file at all.
const char* ListFile(const Text& content) {
    static const char kName[] = "list.crl";
    std::remove(kName);
    if (!content) return kName;
    std::FILE* file = std::fopen(kName, "wb");
    std::fwrite(content->data(), 1, content->size(), file);
    std::fclose(file);
    return kName;
}

// What an edition wrote into the current folder: the token edition's user log, or the trace
// edition's trace file without the block header; empty when there is none.
std::string WrittenDown() {
    if (Edition().writesUserLog()) return ReadFileBytes(TodaysUserLogName());
    if (!Edition().writesTrace()) return {};
    const std::string trace = ReadFileBytes("CVemoDLL_Debug.txt");
    const std::regex header("={56}\r\n\r\n\r\nProject Name: CVemoDLL_C Project - Date: \\d+/\\d+/\\d{4} - "
                            "Time: \\d{2}h\\d{2}m\r\n");
    std::smatch match;
    EXPECT_TRUE(std::regex_search(trace, match, header) && match.position(0) == 0) << trace;
    return match.suffix();
}

// The user log holding these messages (regular expressions without their "\n"), each a
// timestamped entry followed by an empty line.
std::string LogOf(std::initializer_list<const char*> messages) {
    std::string log;
    for (const char* message : messages) {
        log += "\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2} \\[ERROR\\]" + std::string(message) + "\n\n";
    }
    return log;
}

TEST(CertCheck, OutcomeOfEachCertificate) {
    ScopedStoreEntry root("ROOT", "root-a.crt.der");
    ScopedStoreEntry intermediate("CA", "intermediate.crt.der");  // present, but in no trusted store
    const std::string pem = FixtureText("user1024.crt.pem");
    const struct {
        const char* name;
        Text text;
        int32_t expected;
    } cases[] = {
        {"PEM, LF", pem, 0},
        {"PEM, CR LF", WithCrLf(pem), 0},
        {"PEM, one line", OneLine(pem), 0},
        {"bare Base64", FixtureText("user1024.crt.b64"), 0},
        // The picker edition's normaliser takes fewer than 2500 characters.
        {"4096 characters", PaddedTo(4096, pem), Edition().kind() == EditionKind::Picker ? E_FAILED : 0},
        {"2048-bit key", FixtureText("user2048.crt.pem"), 0},
        {"version 1", FixtureText("plain.crt.b64"), 0},
        {"the root itself", FixtureText("root-a.crt.pem"), 0},
        {"an intermediate the root issued", FixtureText("intermediate.crt.pem"), 0},
        {"revoked, but no list in the store", FixtureText("revoked.crt.pem"), 0},
        {"issued by an intermediate", FixtureText("inter-user.crt.pem"), E_ISSUECERT_INVALID},
        {"issued by another root", FixtureText("root-b-user.crt.pem"), E_ISSUECERT_INVALID},
        {"a root not in the store", FixtureText("root-b.crt.pem"), E_ISSUECERT_INVALID},
        {"expired", FixtureText("expired.crt.pem"), E_CERT_EXPIRED},
        {"not yet valid", FixtureText("not-yet-valid.crt.pem"), NotYetValid()},
        {"null", std::nullopt, SPC_INPUTARG_ERROR_01},
        {"empty", "", SPC_INPUTARG_ERROR_01},
        {"4097 characters", PaddedTo(4097, pem), SPC_INPUTARG_ERROR_01},
        {"over 4096 characters of certificate", FixtureText("oversized.crt.pem"), SPC_INPUTARG_ERROR_01},
        {"no certificate text", "certificate", E_FAILED},
        {"public key armour", FixtureText("user1024.pub.pem"), E_FAILED},
        {"bad Base64", "MIIB*AAA", E_PEM_DECODE_ERROR},
        {"lower-case end label", pem.substr(0, pem.find("-----END")) + "-----end certificate-----", E_PEM_DECODE_ERROR},
        {"a revocation list", FixtureText("root-a.crl.b64"), E_CERT_DATA_ERROR},
    };
    int32_t reserved = 0x7FFFFFFF;  // ignored, whatever it holds
    for (const auto& c : cases) {
        EXPECT_EQ(VerifyCert(c.text, reserved).result, c.expected) << c.name;
        reserved = reserved * 31 - 7;
    }
}

TEST(CertCheck, TheRootIsFoundWhereverItSitsInStoreOrder) {
    // The current user's entries come before the host's roots in the store's order; the local
    // machine's after most of them.
    for (StoreLocation where : {StoreLocation::CurrentUser, StoreLocation::LocalMachine}) {
        ScopedStoreEntry root("ROOT", "root-a.crt.der", where);
        EXPECT_EQ(VerifyCert(FixtureText("user1024.crt.b64")).result, 0);
    }
    EXPECT_EQ(VerifyCert(FixtureText("user1024.crt.b64")).result, E_ISSUECERT_INVALID) << "the root is gone again";
}

TEST(CertCheck, ListsOfTheIssuingRootInTheStoreAreApplied) {
    // The platform's own check may pass over the store's lists; a revoked certificate must
    // never be accepted, and one that a list does not revoke must be. A list counts as the
    // revocation list check judges it: signed by a key of the store.
    const struct {
        const char* list;
        const char* certificate;
        int32_t expected;
        const char* signer;  // a separate list-signing certificate put into "ROOT"
    } cases[] = {
        {"root-a.crl.der", "revoked.crt.pem", E_ISSUECERT_INVALID},
        {"root-a-long.crl.der", "revoked.crt.pem", E_ISSUECERT_INVALID},
        {"root-a.crl.der", "user1024.crt.pem", 0},
        {"root-a-empty.crl.der", "revoked.crt.pem", 0},
        {"root-b.crl.der", "revoked.crt.pem", 0},  // another root's list says nothing of it
        {"crl-cases/forged.crl.der", "revoked.crt.pem", 0},
        {"crl-cases/root-a-expired.crl.der", "revoked.crt.pem", E_ISSUECERT_INVALID},
        {"crl-cases/by-list-signer.crl.der", "revoked.crt.pem", E_ISSUECERT_INVALID, "crl-cases/list-signer.crt.der"},
        {"crl-cases/by-list-signer.crl.der", "revoked.crt.pem", 0},
    };
    ScopedStoreEntry root("ROOT", "root-a.crt.der");
    for (const auto& c : cases) {
        std::optional<ScopedStoreEntry> signer;
        if (c.signer) signer.emplace("ROOT", c.signer);
        ScopedStoreEntry list("ROOT", c.list);
        EXPECT_EQ(VerifyCert(FixtureText(c.certificate)).result, c.expected) << c.certificate << " with " << c.list;
    }
}

TEST(CertCheck, TheCallersTextIsKeptOrNormalisedInPlace) {
    ScopedWorkingDirectory directory;
    ScopedStoreEntry root("ROOT", "root-a.crt.der");
    const bool inPlace = Edition().kind() != EditionKind::Token;
    for (const char* name : {"user1024.crt.pem", "expired.crt.pem"}) {
        const std::string pem = WithCrLf(FixtureText(name));
        const std::string expected = inPlace ? Normalised(pem) : pem;
        EXPECT_EQ(VerifyCert(pem).textAfter, expected) << name;
        EXPECT_EQ(VerifyCrl(pem, "no-such.crl", "1").textAfter, expected) << name;
    }
}

TEST(CertCheck, FailuresAreWrittenDownByEdition) {
    // The trace lines of the steps that went well: up to the certificate context, and up to the
    // roots tried.
    const std::string ok3 = "MoveRedunStrFormPemCert succeeds\\.\r\nR_DecodePEMBlock succeeds\\.\r\n"
                            "CertCreateCertificateContext succeeds\\.\r\n";
    const std::string ok5 = ok3 + "CertVerifyTimeValidity succeeds\\.\r\nCertOpenSystemStore succeeds\\.\r\n"
                                  "(CertEnumCertificatesInStore succeeds\\.\r\n)+";
    const struct {
        const char* name;
        Text text;
        bool revokingList;
        std::string log;    // the token edition's user log
        std::string trace;  // the trace edition's lines after the header
    } cases[] = {
        {"empty", "", false, "", ""},
        {"no certificate text", "certificate", false,
         LogOf({"MoveRedunStrFormPemCert is error,Error Code: 0xffffffff,Line \\d+"}),
         "\\*{5} MoveRedunStrFormPemCert fails\\. Error Code: 0xffffffff, Line \\d+\r\n"},
        {"bad Base64", "MIIB*AAA", false, LogOf({"R_DecodePEMBlock is error,Line \\d+"}),
         "MoveRedunStrFormPemCert succeeds\\.\r\n"
         "\\*{5} R_DecodePEMBlock fails\\. Error Code: 0x00000001, Line \\d+\r\n"},
        {"a revocation list", FixtureText("root-a.crl.b64"), false,
         LogOf({"CertCreateCertificateContext is error,Line \\d+"}),
         "MoveRedunStrFormPemCert succeeds\\.\r\nR_DecodePEMBlock succeeds\\.\r\n"
         "\\*{5} CertCreateCertificateContext fails\\. \r\n"},
        {"expired", FixtureText("expired.crt.pem"), false,
         LogOf({"CertVerifyTimeValidity is error,Error Code: 0x00000001,Line \\d+"}),
         ok3 + "\\*{5} CertVerifyTimeValidity fails\\. Error Code: 0x00000001, Line \\d+\r\n"},
        {"not yet valid", FixtureText("not-yet-valid.crt.pem"), false,
         LogOf({"CertVerifyTimeValidity is error,Error Code: 0xffffffff,Line \\d+"}),
         ok3 + "\\*{5} CertVerifyTimeValidity fails\\. Error Code: 0xffffffff, Line \\d+\r\n"},
        {"no issuing root", FixtureText("root-b-user.crt.pem"), false,
         LogOf({"CertEnumCertificatesInStore is error,Line \\d+",
                "VerifyUserCert is error,E_ISSUECERT_INVALID,Line \\d+"}),
         ok5 + "\\*{5} CertEnumCertificatesInStore fails\\. \r\nVerifyUserCert fail\\.\r\n"},
        {"revoked by the root's list", FixtureText("revoked.crt.pem"), true,
         LogOf({"CertVerifySubjectCertificateContext is error,Error Code: 0x00000004,Line \\d+",
                "VerifyUserCert is error,E_ISSUECERT_INVALID,Line \\d+"}),
         ok5 + "\\*{5} CertVerifySubjectCertificateContext fails\\. Error Code: 0x00000004, Line \\d+\r\n"
               "VerifyUserCert fail\\.\r\n"},
        {"valid", FixtureText("user1024.crt.pem"), false, "", ok5 + "VerifyUserCert succeeds\\.\r\n"},
    };
    ScopedStoreEntry root("ROOT", "root-a.crt.der");
    for (const auto& c : cases) {
        ScopedWorkingDirectory directory;
        std::optional<ScopedStoreEntry> list;
        if (c.revokingList) list.emplace("ROOT", "root-a.crl.der");
        VerifyCert(c.text);
        const std::string written = WrittenDown();
        if (Edition().writesUserLog()) {
            EXPECT_TRUE(std::regex_match(written, std::regex(c.log))) << c.name << ":\n" << written;
        } else if (Edition().writesTrace()) {
            EXPECT_TRUE(std::regex_match(written, std::regex(c.trace))) << c.name << ":\n" << written;
        } else {
            EXPECT_TRUE(ListFolder(directory.path()).empty()) << c.name;
        }
    }
}

TEST(CrlCheck, OutcomeOfEachListAndMode) {
    ScopedWorkingDirectory directory;
    ScopedStoreEntry root("ROOT", "root-a.crt.der");
    const std::string revoked = FixtureText("revoked.crt.pem");
    const std::string user = FixtureText("user1024.crt.b64");
    const std::string der = FixtureText("root-a.crl.der");
    const std::string pem = FixtureText("root-a.crl.pem");
    const std::string b64 = FixtureText("root-a.crl.b64");
    const struct {
        const char* name;
        Text certificate;
        Text list;
        const char* mode;
        int32_t expected;
    } cases[] = {
        // The certificate is reported first, whatever the mode and the list.
        {"no certificate", std::nullopt, std::nullopt, "4", SPC_INPUTARG_ERROR_01},
        {"certificate of 4097 characters", PaddedTo(4097, revoked), std::nullopt, "4", SPC_INPUTARG_ERROR_01},
        {"no certificate text", "certificate", std::nullopt, "4", E_FAILED},
        {"certificate in bad Base64", "MIIB*AAA", std::nullopt, "4", E_PEM_DECODE_ERROR},
        {"a list as the certificate", b64, std::nullopt, "4", E_CERT_DATA_ERROR},
        {"revoked, DER", revoked, der, "3", E_CERT_REVOKED},
        {"revoked, PEM LF", revoked, pem, "3", E_CERT_REVOKED},
        {"revoked, PEM CR LF", revoked, WithCrLf(pem), "3", E_CERT_REVOKED},
        {"revoked, PEM one line", revoked, OneLine(pem), "3", E_CERT_REVOKED},
        {"revoked, bare Base64", revoked, b64, "3", E_CERT_REVOKED},
        {"not listed, DER", user, der, "3", CVEMO_CRL_NOT_REVOKED},
        {"not listed, PEM CR LF", user, WithCrLf(pem), "3", CVEMO_CRL_NOT_REVOKED},
        {"not listed, bare Base64", user, b64, "3", CVEMO_CRL_NOT_REVOKED},
        {"empty list", revoked, FixtureText("root-a-empty.crl.der"), "3", CVEMO_CRL_NOT_REVOKED},
        {"another root's list, its own user, that root not in \"ROOT\"", FixtureText("root-b-user.crt.pem"),
         FixtureText("root-b.crl.der"), "3", E_CRL_UNTRUSTED},
        // Read whole: text of exactly one block and past two, DER past one and past two blocks
        // with the entry last.
        {"text of 4096 bytes", revoked, PaddedTo(4096, pem), "3", E_CERT_REVOKED},
        {"text of 8193 bytes", revoked, PaddedTo(8193, pem), "3", E_CERT_REVOKED},
        {"DER of 5138 bytes", revoked, FixtureText("root-a-large.crl.der"), "3", E_CERT_REVOKED},
        {"DER of 8938 bytes, entry last", revoked, FixtureText("root-a-long.crl.der"), "3", E_CERT_REVOKED},
        {"DER of 8938 bytes, not listed", user, FixtureText("root-a-long.crl.der"), "3", CVEMO_CRL_NOT_REVOKED},
        {"text of more than 4096 bytes of DER", revoked, FixtureText("root-a-large.crl.pem"), "3",
         E_PEM_DECODE_ERROR},
        // Lists that cannot answer.
        {"a list of another issuer", user, FixtureText("root-b.crl.der"), "3", SPC_INPUTARG_ERROR_01},
        {"the root's list, an intermediate's user", FixtureText("inter-user.crt.pem"), der, "3", SPC_INPUTARG_ERROR_01},
        {"0x30 but no list", revoked, "0 is no list", "3", SPC_INPUTARG_ERROR_01},
        {"neither armour nor Base64", revoked, "revoked: none", "3", E_FAILED},
        {"bad Base64", revoked, "MIIB*AAA", "3", E_PEM_DECODE_ERROR},
        {"empty file", revoked, "", "3", E_FILE_READ_ERROR},
        {"no file", revoked, std::nullopt, "3", E_FILE_OPEN_ERROR},
        // Modes: read as a decimal number; 1 and 2 consult no list.
        {"mode 1", revoked, std::nullopt, "1", CVEMO_CRL_NOT_REVOKED},
        {"mode 2", revoked, std::nullopt, "2", CVEMO_CRL_NOT_REVOKED},
        {"mode \" 3\"", revoked, der, " 3", E_CERT_REVOKED},
        {"mode \"+3x\"", revoked, der, "+3x", E_CERT_REVOKED},
        {"mode 4", revoked, der, "4", SPC_INPUTARG_ERROR_01},
        {"mode 0", revoked, der, "0", SPC_INPUTARG_ERROR_01},
        {"mode \"\"", revoked, der, "", SPC_INPUTARG_ERROR_01},
        {"mode x", revoked, der, "x", SPC_INPUTARG_ERROR_01},
        {"mode 2^32 + 3", revoked, der, "4294967299", SPC_INPUTARG_ERROR_01},
        {"no mode", revoked, der, nullptr, SPC_INPUTARG_ERROR_01},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VerifyCrl(c.certificate, ListFile(c.list), c.mode).result, c.expected) << c.name;
    }
}

TEST(CrlCheck, EachListIsJudgedInOneOrder) {
    // Lists of tests/fixtures/pki/crl-cases, each holding "revoked" (serial 5001): the first row
    // of the order that applies answers, and a list a trusted key signed that holds the
    // certificate revokes it whatever follows.
    ScopedWorkingDirectory directory;
    ScopedStoreEntry root("ROOT", "root-a.crt.der");
    const std::string user = "user1024.crt.pem", revoked = "revoked.crt.pem", ca = "intermediate.crt.pem";
    const std::string dpUser = "crl-cases/dp-user.crt.pem", otherDpUser = "crl-cases/other-dp-user.crt.pem";
    const struct {
        const char* list;
        std::string certificate;
        int32_t expected;
        const char* signer;  // a certificate put into "ROOT" beside root A
    } cases[] = {
        // Signed by a key of "ROOT" under the list issuer's name, allowed to sign lists.
        {"forged", user, E_CRL_UNTRUSTED},
        {"forged", revoked, E_CRL_UNTRUSTED},
        {"by-list-signer", user, CVEMO_CRL_NOT_REVOKED, "crl-cases/list-signer.crt.der"},
        {"by-list-signer", revoked, E_CERT_REVOKED, "crl-cases/list-signer.crt.der"},
        {"by-list-signer", revoked, E_CRL_UNTRUSTED},
        {"by-no-crl-sign", user, E_CRL_UNTRUSTED, "crl-cases/no-crl-sign.crt.der"},
        // The issuer's name written otherwise: string type, letter case, runs of spaces.
        {"renamed-issuer", user, CVEMO_CRL_NOT_REVOKED},
        {"renamed-issuer", revoked, E_CERT_REVOKED},
        // What the library does not process, and the scope of the list.
        {"unknown-critical", user, E_CRL_UNTRUSTED},
        {"unknown-critical", revoked, E_CERT_REVOKED},
        {"delta", user, E_CRL_UNTRUSTED},
        {"delta", revoked, E_CERT_REVOKED},
        {"idp-only-user", user, CVEMO_CRL_NOT_REVOKED},
        {"idp-only-user", ca, E_CRL_UNTRUSTED},
        {"idp-only-ca", ca, CVEMO_CRL_NOT_REVOKED},
        {"idp-only-ca", user, E_CRL_UNTRUSTED},
        {"idp-only-ca", revoked, E_CERT_REVOKED},
        {"idp-only-attribute", user, E_CRL_UNTRUSTED},
        {"idp-some-reasons", user, E_CRL_UNTRUSTED},
        {"idp-indirect", user, E_CRL_UNTRUSTED},
        {"idp-dp-name", dpUser, CVEMO_CRL_NOT_REVOKED},
        {"idp-dp-name", otherDpUser, E_CRL_UNTRUSTED},
        {"idp-dp-name", user, E_CRL_UNTRUSTED},  // no distribution point: named by its issuer
        // Dates.
        {"root-a-expired", user, E_CRL_OUT_OF_DATE},
        {"root-a-expired", revoked, E_CERT_REVOKED},
        {"root-a-future", user, E_CRL_OUT_OF_DATE},
        {"root-a-future", revoked, E_CERT_REVOKED},
    };
    for (const auto& c : cases) {
        std::optional<ScopedStoreEntry> signer;
        if (c.signer) signer.emplace("ROOT", c.signer);
        const std::string list = FixturePath(std::string("crl-cases/") + c.list + ".crl.der");
        EXPECT_EQ(VerifyCrl(FixtureText(c.certificate), list.c_str(), "3").result, c.expected)
            << c.certificate << " with " << c.list << (c.signer ? " and its signer" : "");
    }
}

TEST(CrlCheck, OnlyTheTokenEditionWritesDown) {
    ScopedStoreEntry root("ROOT", "root-a.crt.der");
    const std::string revoked = FixtureText("revoked.crt.pem"), user = FixtureText("user1024.crt.pem");
    const struct {
        const char* name;
        const std::string certificate;
        Text list;
        std::string log;
    } cases[] = {
        {"revoked", revoked, FixtureText("root-a.crl.der"),
         LogOf({"CertFindCertificateInCRL is error,Error Code: 0xfffffe04,Line \\d+"})},
        {"not listed", FixtureText("user1024.crt.pem"), FixtureText("root-a.crl.der"), ""},
        {"forged", user, FixtureText("crl-cases/forged.crl.der"),
         LogOf({"CryptVerifyCertificateSignatureEx is error,Error Code: 0xfffffe03,Line \\d+"})},
        {"unknown critical extension", user, FixtureText("crl-cases/unknown-critical.crl.der"),
         LogOf({"CheckCRLExtensions is error,Error Code: 0xfffffe03,Line \\d+"})},
        {"delta", user, FixtureText("crl-cases/delta.crl.der"),
         LogOf({"CheckCRLDelta is error,Error Code: 0xfffffe03,Line \\d+"})},
        {"out of scope", user, FixtureText("crl-cases/idp-only-ca.crl.der"),
         LogOf({"CheckCRLScope is error,Error Code: 0xfffffe03,Line \\d+"})},
        {"not yet issued", user, FixtureText("crl-cases/root-a-future.crl.der"),
         LogOf({"CheckCRLThisUpdate is error,Error Code: 0xfffffe02,Line \\d+"})},
        {"out of date", user, FixtureText("crl-cases/root-a-expired.crl.der"),
         LogOf({"CheckCRLNextUpdate is error,Error Code: 0xfffffe02,Line \\d+"})},
        {"0x30 but no list", revoked, "0 is no list",
         LogOf({"CertFindCertificateInCRL is error,Error Code: 0x00000000,Line \\d+"})},
        {"another issuer", revoked, FixtureText("root-b.crl.der"),
         LogOf({"CertCompareCertificateName is error,Line \\d+"})},
        {"no file", revoked, std::nullopt, LogOf({"fopen CRLfile is error,Line \\d+"})},
        {"empty file", revoked, "", LogOf({"fread CRLfile is error,Line \\d+"})},
        {"no list text", revoked, "revoked: none",
         LogOf({"MoveRedunStrFormPemCert is error,Error Code: 0xffffffff,Line \\d+"})},
        {"too long", revoked, FixtureText("root-a-large.crl.pem"), LogOf({"R_DecodePEMBlock is error,Line \\d+"})},
    };
    for (const auto& c : cases) {
        ScopedWorkingDirectory directory;
        VerifyCrl(c.certificate, ListFile(c.list), "3");
        std::remove("list.crl");
        if (Edition().writesUserLog()) {
            const std::string log = ReadFileBytes(TodaysUserLogName());
            EXPECT_TRUE(std::regex_match(log, std::regex(c.log))) << c.name << ":\n" << log;
        } else {
            EXPECT_TRUE(ListFolder(directory.path()).empty()) << c.name << ": neither a log nor a trace";
        }
    }
}

// ---- The certification path check, beside openssl.

std::string& PathInterop() {
    static std::string folder;
    return folder;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> fields;
    for (size_t start = 0;;) {
        const size_t end = text.find(separator, start);
        fields.push_back(Trimmed(text.substr(start, end == std::string::npos ? end : end - start)));
        if (end == std::string::npos) return fields;
        start = end + 1;
    }
}

// One row of path-cases/cases.txt.
struct PathCase {
    std::string name, certificate;
    std::vector<std::string> intermediates, roots, authorities, lists;
    uint32_t flags = 0;
    std::optional<int32_t> explained;  // the library's answer where it differs from openssl's
    std::string why;
};

std::vector<std::string> Names(const std::string& field) {
    return field == "-" ? std::vector<std::string>() : Split(field, ',');
}

std::vector<PathCase> PathCases() {
    std::vector<PathCase> cases;
    std::istringstream table(FixtureText("path-cases/cases.txt"));
    for (std::string line; std::getline(table, line);) {
        if (Trimmed(line).empty() || Trimmed(line)[0] == '#') continue;
        const std::vector<std::string> f = Split(line, '|');
        PathCase c{f[0], f[1], Names(f[2]), Names(f[3]), Names(f[4]), Names(f[5]), uint32_t(std::stoul(f[6])), {}, ""};
        if (f.size() > 8) {
            const size_t colon = f[8].find(':');
            c.explained = std::stoi(f[8].substr(std::strlen("expect ")));
            c.why = Trimmed(f[8].substr(colon + 1));
        }
        cases.push_back(c);
    }
    return cases;
}

std::string PathFixture(const std::string& name) {
    const bool list = name.size() > 4 && name.compare(name.size() - 4, 4, ".crl") == 0;
    return "path-cases/" + name + (list ? ".pem" : ".crt.pem");
}

// The common names of a path text, "|" between them.
std::string CommonNames(const std::string& path) {
    std::string names;
    for (const std::string& line : Split(path, '\n')) {
        const size_t cn = line.rfind("CN=");
        std::string name = cn == std::string::npos ? line : line.substr(cn + 3);
        // The platform quotes some values ("Vemo Path Deep CA 1").
        if (name.size() > 1 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
        if (!names.empty()) names += '|';
        names += name;
    }
    return names;
}

TEST(PathCheck, EveryCaseAnswersAsOpensslDoesOrAsItsRowExplains) {
    if (PathInterop().empty()) GTEST_SKIP() << "no --path-interop folder";
    ScopedWorkingDirectory directory;  // the token edition's log of the failures
    // openssl's verdicts: name, result code, error number, error text, its path's common names.
    std::map<std::string, std::vector<std::string>> openssl;
    std::istringstream verdicts(ReadFileBytes(PathInterop() + "\\openssl.txt"));
    for (std::string line; std::getline(verdicts, line);) {
        const std::vector<std::string> fields = Split(line, '\t');
        if (fields.size() == 5) openssl[fields[0]] = fields;
    }
    std::printf("[report] certification paths, %s edition: library | openssl (error) | path\n",
                Edition().name().c_str());
    for (const PathCase& c : PathCases()) {
        std::vector<std::unique_ptr<ScopedStoreEntry>> entries;
        for (const std::string& name : c.roots) entries.push_back(std::make_unique<ScopedStoreEntry>("ROOT", PathFixture(name)));
        for (const std::string& name : c.authorities) {
            entries.push_back(std::make_unique<ScopedStoreEntry>("CA", PathFixture(name)));
        }
        std::string intermediates, lists;
        for (const std::string& name : c.intermediates) intermediates += FixtureText(PathFixture(name));
        for (const std::string& name : c.lists) lists += (lists.empty() ? "" : ";") + FixturePath(PathFixture(name));
        const std::string text = FixtureText(PathFixture(c.certificate));
        std::vector<char> path(CVEMO_PATH_TEXT_MAX);
        uint32_t length = static_cast<uint32_t>(path.size());
        const int32_t result =
            Edition().verifyCertPath(text.c_str(), c.intermediates.empty() ? nullptr : intermediates.c_str(),
                                     c.lists.empty() ? nullptr : lists.c_str(), c.flags, path.data(), &length);
        const std::string names = CommonNames(std::string(path.data(), std::min<size_t>(length, path.size())));

        ASSERT_EQ(openssl.count(c.name), 1u) << c.name << ": no verdict of openssl's";
        const std::vector<std::string>& theirs = openssl[c.name];
        const int32_t expected = std::stoi(theirs[1]);
        const bool agrees = result == expected && (result != 0 || names == theirs[4]);
        std::printf("[report]   %-26s %5d | %5d (%s %s) | %s%s\n", c.name.c_str(), result, expected,
                    theirs[2].c_str(), theirs[3].c_str(), names.c_str(),
                    agrees ? "" : ("   <- explained: " + c.why).c_str());
        if (agrees) {
            EXPECT_FALSE(c.explained) << c.name << ": the row explains a disagreement that is gone";
        } else {
            EXPECT_TRUE(c.explained && *c.explained == result)
                << c.name << ": library " << result << " (" << names << "), openssl " << expected << " ("
                << theirs[4] << "), not explained";
        }
    }
}

// A call of the path check with a buffer that holds any path; the path's text.
int32_t VerifyPath(const std::string& text, const std::string& intermediates, const std::string& lists, uint32_t flags,
                   std::string* path = nullptr) {
    std::vector<char> out(CVEMO_PATH_TEXT_MAX);
    uint32_t length = static_cast<uint32_t>(out.size());
    const int32_t result = Edition().verifyCertPath(text.c_str(), intermediates.c_str(), lists.c_str(), flags,
                                                    out.data(), &length);
    if (path != nullptr) *path = std::string(out.data(), std::min<size_t>(length, out.size()));
    return result;
}

TEST(PathCheck, FailuresAreWrittenDownByEdition) {
    const std::string steps = "MoveRedunStrFormPemCert succeeds\\.\r\nR_DecodePEMBlock succeeds\\.\r\n"
                              "CertCreateCertificateContext succeeds\\.\r\nReadCertificateBlocks succeeds\\.\r\n"
                              "ReadCRLFile succeeds\\.\r\nCertOpenSystemStore succeeds\\.\r\n";
    const std::string lists = FixturePath("path-cases/ca-1.crl.pem") + ";" + FixturePath("path-cases/root.crl.pem");
    const struct {
        const char* name;
        std::string certificate, intermediates, lists;
        std::string step;  // the failed step and its code, as a regular expression ("": none)
    } cases[] = {
        {"valid", "user-1", "ca-1", lists, ""},
        {"no anchor", "user-1", "", "", "BuildCertPath.*0xfffffe05"},
        {"expired", "expired-ca-user", "expired-ca", "", "CertVerifyTimeValidity.*0x00000001"},
        {"not a CA", "not-ca-user", "not-ca", "", "CheckPathConstraint.*0xfffffe01"},
        {"revoked", "revoked-user", "ca-1", lists, "CheckRevocation.*0xfffffe04"},
    };
    ScopedStoreEntry root("ROOT", "path-cases/root.crt.pem");
    for (const auto& c : cases) {
        ScopedWorkingDirectory directory;
        const std::string intermediates = c.intermediates.empty() ? "" : FixtureText(PathFixture(c.intermediates));
        VerifyPath(FixtureText(PathFixture(c.certificate)), intermediates, c.lists, CVEMO_PATH_REVOCATION);
        const std::string written = WrittenDown();
        std::string expected;
        if (Edition().writesUserLog()) {
            expected = c.step.empty() ? "" : LogOf({(c.step.substr(0, c.step.find('.')) + " is error,Error Code: " +
                                                      c.step.substr(c.step.find("0x")) + ",Line \\d+").c_str()});
        } else if (Edition().writesTrace()) {
            expected = steps + (c.step.empty() ? "VerifyCertPath succeeds\\.\r\n"
                                               : "\\*{5} " + c.step.substr(0, c.step.find('.')) + " fails\\. Error Code: " +
                                                     c.step.substr(c.step.find("0x")) + ", Line \\d+\r\nVerifyCertPath fail\\.\r\n");
        } else {
            EXPECT_TRUE(ListFolder(directory.path()).empty()) << c.name;
            continue;
        }
        EXPECT_TRUE(std::regex_match(written, std::regex(expected))) << c.name << ":\n" << written;
    }
}

TEST(PathCheck, CrowdedStoresStayWithinTheBounds) {
    // The search is the same in every edition: one edition's run measures it.
    if (Edition().kind() != EditionKind::Token) GTEST_SKIP() << "measured in the token edition";
    ScopedWorkingDirectory directory;
    const std::string user = FixtureText("path-cases/user-1.crt.pem"), ca = FixtureText("path-cases/ca-1.crt.pem");
    ScopedStoreEntry root("ROOT", "path-cases/root.crt.pem");
    const struct {
        const char* name;
        const wchar_t* subject;  // of every certificate put into "CA"
        bool numbered;           // the subject ends in the certificate's number
        std::string intermediates;
        int32_t expected;
    } cases[] = {
        {"500 unrelated CA certificates in \"CA\"", L"CN=Vemo Unrelated CA ", true, ca, 0},
        // Each under the issuer's name, none with its key, and the issuer nowhere: the search
        // stops at its bound of signatures tried.
        {"500 impostors under CA 1's name in \"CA\", CA 1 missing",
         L"C=CN, O=Vemo Test, OU=Path Lab, CN=Vemo Path CA 1", false, "", E_ISSUECERT_INVALID},
    };
    for (const auto& c : cases) {
        std::vector<Der> certificates;
        for (uint16_t i = 0; i < 500; ++i) {
            const std::wstring subject = c.numbered ? c.subject + std::to_wstring(i) : c.subject;
            certificates.push_back(MadeCertificate(subject, {uint8_t(1 + (i >> 8)), uint8_t(i)}));
        }
        ScopedStoreContents authorities("CA", certificates);
        const DWORD start = GetTickCount();
        EXPECT_EQ(VerifyPath(user, c.intermediates, "", 0), c.expected) << c.name;
        std::printf("[report] path check, %s: %d in %lu ms\n", c.name, c.expected,
                    static_cast<unsigned long>(GetTickCount() - start));
    }
}

}  // namespace

void SetPathInteropFolder(const std::string& folder) { PathInterop() = folder; }

}  // namespace vemo::test
