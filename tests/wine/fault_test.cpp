// Faults from outside the library: the token pulled out between two calls and in the middle of a
// loop, every fault the software token can be made to inject, and diagnostics that cannot be
// written (the log's name taken by a folder, the log held open elsewhere without sharing, a log
// on a full disk). The results stay the documented ones, and nothing else changes.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "frame/win_handles.h"
#include "support/edition_under_test.h"
#include "support/run_program.h"
#include "support/scoped_environment.h"
#include "support/signing_fixture.h"
#include "support/store_fixture.h"
#include "support/test_token.h"
#include "support/token_fixture.h"
#include "token/store/token_store.h"
#include "token/utsecdll/UTSecDll.h"

namespace vemo::test {
namespace {

using token::FaultPoint;

std::string Text(const std::string& fixture) {
    const std::vector<uint8_t> bytes = FixtureBytes(fixture);
    return std::string(bytes.begin(), bytes.end());
}

token::TokenImage UserToken() { return TokenOf({FixtureContainer("user1024", "LAB-USER")}); }

// The token's certificate through the token source: the result, and the text on success.
int32_t TokenCertificate(std::string* text = nullptr) {
    char out[CVEMO_CERT_TEXT_MAX + 1];
    int32_t length = 0;
    const int32_t result = Edition().getUserCert("", "", "", "4", out, &length);
    if (result == 0 && text != nullptr) *text = std::string(out, static_cast<size_t>(length));
    return result;
}

// A raw signature with the token's key; on success the record must verify.
int32_t TokenSignature() {
    CVEMO_SIGNATURE_RECORD record;
    const int32_t result = Edition().signEx(0, "", "fault test", 10, &record);
    if (result == 0 && VerifyWith(FixtureBytes("user1024.crt.der"), "fault test", record) != 0) return 12345;
    return result;
}

// A signed message with the token's key.
int32_t TokenMessage() {
    std::vector<uint8_t> message(CVEMO_P7_MESSAGE_MAX(10));
    int32_t length = 0;
    return Edition().signP7("fault test", message.data(), &length);
}

int32_t RandomBytes() {
    uint8_t bytes[16];
    return Edition().generateRandom(bytes, sizeof bytes);
}

TEST(Faults, TheTokenPulledOutBetweenCallsAndPutBack) {
    if (!Edition().usesToken()) GTEST_SKIP() << "the picker edition has no token";
    ScopedWorkingDirectory directory;
    ScopedTokenStore token;
    const struct {
        const char* name;
        std::function<int32_t()> call;
        int32_t absent;  // the documented result without a token
        bool withoutDefaultProvider;
    } calls[] = {
        {"GetUserCert \"4\"", [] { return TokenCertificate(); }, E_TOKEN_ENUM_BASE + 1, false},
        {"SignEx", TokenSignature, E_CTN_NO_EXIST, false},
        {"Sign_P7", TokenMessage, E_CTN_NO_EXIST, false},
        {"GenerateRandom, the token's generator", RandomBytes, UT_ERR_TOKEN_ABSENT, true},
    };
    for (const auto& call : calls) {
        SCOPED_TRACE(call.name);
        std::optional<DefaultProviderUnavailable> unavailable;
        if (call.withoutDefaultProvider) unavailable.emplace();
        token.plugIn(UserToken());
        EXPECT_EQ(call.call(), 0);
        ASSERT_TRUE(token::RemoveToken());
        EXPECT_EQ(call.call(), call.absent);
        EXPECT_EQ(call.call(), call.absent);
        token.plugIn(UserToken());
        EXPECT_EQ(call.call(), 0);
    }
}

TEST(Faults, TheTokenPulledOutAndPutBackDuringALoop) {
    if (!Edition().usesToken()) GTEST_SKIP() << "the picker edition has no token";
    ScopedWorkingDirectory directory;
    ScopedTokenStore token;
    const token::TokenImage image = UserToken();
    token.plugIn(image);
    std::string expected;
    ASSERT_EQ(TokenCertificate(&expected), 0);

    // Pulled out and put back every few milliseconds while the calls run.
    std::atomic<bool> stop{false};
    std::thread hand([&] {
        while (!stop) {
            token::RemoveToken();
            Sleep(3);
            token.plugIn(image);
            Sleep(5);
        }
    });
    // Whatever step a call has reached when the token goes, it answers with a code its export
    // documents for that step.
    const std::set<int32_t> certificateCodes = {0, E_TOKEN_ENUM_BASE + 1, E_TOKEN_ENUM_BASE + 2,
                                                E_TOKEN_CERT_BASE + 1, E_TOKEN_CERT_BASE + 2};
    const std::set<int32_t> signatureCodes = {0, E_CTN_NO_EXIST, E_NO_SPEC_KEYS, E_ENCROLL_CERT_NO_FIND,
                                              E_CERT_DATA_ERROR, E_SIGN_ERROR};
    int succeeded = 0, refused = 0;
    std::vector<std::string> unexpected;
    for (int i = 0; i < 150; ++i) {
        std::string text;
        const int32_t certificate = TokenCertificate(&text);
        if (!certificateCodes.count(certificate) || (certificate == 0 && text != expected)) {
            unexpected.push_back("GetUserCert " + std::to_string(certificate));
        }
        const int32_t signature = TokenSignature();
        if (!signatureCodes.count(signature)) unexpected.push_back("SignEx " + std::to_string(signature));
        (certificate == 0 ? succeeded : refused) += 1;
        (signature == 0 ? succeeded : refused) += 1;
    }
    stop = true;
    hand.join();
    token.plugIn(image);
    EXPECT_EQ(testing::PrintToString(unexpected), "{}");
    EXPECT_EQ(TokenCertificate(), 0) << "after the token is back";
    EXPECT_EQ(TokenSignature(), 0) << "after the token is back";
    std::printf("[report] faults, %s edition: token pulled out and put back during 300 calls: %d succeeded, %d "
                "refused with a documented code\n",
                Edition().name().c_str(), succeeded, refused);
}

TEST(Faults, EveryFaultTheTokenInjects) {
    if (!Edition().usesToken()) GTEST_SKIP() << "the picker edition has no token";
    constexpr uint32_t kTokenCode = 0x0E00ABCD;  // a token library's own code
    constexpr uint32_t kProviderCode = static_cast<uint32_t>(NTE_FAIL);
    const struct {
        FaultPoint point;
        const char* call;
        std::function<int32_t()> run;
        int32_t expected;
        int64_t code = -1;  // the fault's code; -1: the token's or the provider's code above
    } faults[] = {
        {FaultPoint::EnumContainer, "GetUserCert \"4\"", [] { return TokenCertificate(); }, E_TOKEN_ENUM_BASE + 1},
        {FaultPoint::GetCurrentCertificate, "GetUserCert \"4\"", [] { return TokenCertificate(); },
         E_TOKEN_CERT_BASE + 1},
        // The read succeeds and gives no bytes: no certificate, not the armour lines alone.
        {FaultPoint::GetCurrentCertificate, "GetUserCert \"4\", a read of no bytes", [] { return TokenCertificate(); },
         E_TOKEN_CERT_BASE + 1, 0},
        {FaultPoint::GenerateRandom, "GenerateRandom, the token's generator", RandomBytes,
         static_cast<int32_t>(kTokenCode)},
        {FaultPoint::ProviderOpen, "SignEx", TokenSignature, E_CTN_NO_EXIST},
        {FaultPoint::ProviderEnumContainers, "SignEx", TokenSignature, E_CTN_NO_EXIST},
        {FaultPoint::ProviderOpenContainer, "SignEx", TokenSignature, E_CTN_NO_EXIST},
        {FaultPoint::ProviderGetUserKey, "SignEx", TokenSignature, E_NO_SPEC_KEYS},
        {FaultPoint::ProviderGetCertificate, "SignEx", TokenSignature, E_ENCROLL_CERT_NO_FIND},
        {FaultPoint::ProviderCreateHash, "SignEx", TokenSignature, E_SIGN_ERROR},
        {FaultPoint::ProviderHashData, "SignEx", TokenSignature, E_SIGN_ERROR},
        {FaultPoint::ProviderSignHash, "SignEx", TokenSignature, E_SIGN_ERROR},
        {FaultPoint::ProviderSignHashLength, "SignEx", TokenSignature, E_SIGN_ERROR},
        // The signed message: the same search for the key, then the platform's signer through
        // the key's location.
        {FaultPoint::ProviderOpen, "Sign_P7", TokenMessage, E_CTN_NO_EXIST},
        {FaultPoint::ProviderEnumContainers, "Sign_P7", TokenMessage, E_CTN_NO_EXIST},
        {FaultPoint::ProviderOpenContainer, "Sign_P7", TokenMessage, E_CTN_NO_EXIST},
        {FaultPoint::ProviderGetUserKey, "Sign_P7", TokenMessage, E_NO_SPEC_KEYS},
        {FaultPoint::ProviderGetCertificate, "Sign_P7", TokenMessage, E_ENCROLL_CERT_NO_FIND},
        {FaultPoint::ProviderCreateHash, "Sign_P7", TokenMessage, E_FAILED},
        {FaultPoint::ProviderHashData, "Sign_P7", TokenMessage, E_FAILED},
        {FaultPoint::ProviderSignHash, "Sign_P7", TokenMessage, E_FAILED},
        {FaultPoint::ProviderSignHashLength, "Sign_P7", TokenMessage, E_FAILED},
    };
    for (FaultPoint point : token::AllFaultPoints()) {
        EXPECT_TRUE(std::any_of(std::begin(faults), std::end(faults), [&](const auto& f) { return f.point == point; }))
            << token::FaultPointName(point) << " has no row";
    }
    for (const auto& fault : faults) {
        SCOPED_TRACE(std::string(token::FaultPointName(fault.point)) + ", " + fault.call);
        ScopedWorkingDirectory directory;
        ScopedTokenStore token;
        std::optional<DefaultProviderUnavailable> unavailable;
        if (fault.point == FaultPoint::GenerateRandom) unavailable.emplace();
        token::TokenImage image = UserToken();
        image.setFault(fault.point, fault.code >= 0                           ? static_cast<uint32_t>(fault.code)
                                    : fault.point < FaultPoint::ProviderOpen ? kTokenCode
                                                                             : kProviderCode);
        token.plugIn(image);
        const std::string before = ReadFileBytes(token.path());

        EXPECT_EQ(fault.run(), fault.expected) << fault.call;
        EXPECT_EQ(ReadFileBytes(token.path()), before) << "the token changed";
        // Written down where the edition writes: the user log (an entry), the trace file (the
        // traced exports), nothing else.
        const std::vector<std::string> files = ListFolder(directory.path());
        if (Edition().writesUserLog()) {
            EXPECT_EQ(files, std::vector<std::string>{TodaysUserLogName()});
        } else if (fault.point >= FaultPoint::ProviderOpen && std::string(fault.call) == "SignEx") {
            EXPECT_TRUE(files.empty()) << "the trace edition's raw signature writes nothing";
        } else {
            EXPECT_EQ(files, std::vector<std::string>{"CVemoDLL_Debug.txt"});
        }

        image.clearFault(fault.point);
        token.plugIn(image);
        EXPECT_EQ(fault.run(), 0) << "the fault cleared";
    }
}

// The provider beside this program that fails a chosen entry point without setting an error.
std::wstring SilentProviderPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + L"silent_provider.dll";
}

int32_t DigestOfAbc(uint8_t* digest = std::vector<uint8_t>(CVEMO_SHA1_DIGEST_SIZE).data()) {
    uint32_t length = 0;
    return Edition().hash(0, reinterpret_cast<const uint8_t*>("abc"), 3, digest, &length);
}

int32_t VerifiedRecord() {
    return VerifyWith(FixtureBytes("user1024.crt.der"), "abc", RecordOf(FixtureSignature("user1024", "abc")));
}

// A default provider that fails a step and leaves the last error at 0: the step's failure still
// fails the call, with NTE_FAIL where the export hands the platform's error on.
TEST(Faults, AProviderFailingWithoutAnErrorNeverReadsAsSuccess) {
    const int32_t kFail = static_cast<int32_t>(NTE_FAIL);
    const bool picker = Edition().kind() == EditionKind::Picker;
    const struct {
        const char* entryPoint;
        const char* call;
        std::function<int32_t()> run;
        int32_t expected;
    } rows[] = {
        {"CPAcquireContext", "Hash (the working container)", [] { return DigestOfAbc(); }, kFail},
        {"CPCreateHash", "Hash", [] { return DigestOfAbc(); }, kFail},
        {"CPHashData", "Hash", [] { return DigestOfAbc(); }, kFail},
        {"CPGetHashParam", "Hash", [] { return DigestOfAbc(); }, kFail},
        {"CPAcquireContext", "VerifySign (the working container)", VerifiedRecord, kFail},
        {"CPImportKey", "VerifySign", VerifiedRecord, 1},
        {"CPCreateHash", "VerifySign", VerifiedRecord, E_VERIFY_ERROR},
        {"CPHashData", "VerifySign", VerifiedRecord, E_VERIFY_ERROR},
        {"CPVerifySignature", "VerifySign", VerifiedRecord, E_VERIFY_ERROR},
        {"CPGenRandom", "GenerateRandom", RandomBytes, picker ? -2 : kFail},
    };
    ScopedWorkingDirectory directory;
    const ScopedDefaultProvider silent("Vemo Test Provider Failing Silently", SilentProviderPath());
    std::vector<uint8_t> digest(CVEMO_SHA1_DIGEST_SIZE, 0xCC);
    ASSERT_EQ(DigestOfAbc(digest.data()), 0);
    EXPECT_EQ(digest, std::vector<uint8_t>(20, 0)) << "failing nothing, it is the provider in use: its digests are zeros";
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.entryPoint) + " failing, " + row.call);
        const ScopedEnvironmentVariable failing("VEMO_SILENT_FAILURE", row.entryPoint);
        EXPECT_EQ(row.run(), row.expected);
    }
}

// A path of the host's file system for a Windows path, through Wine's Z: mapping.
typedef char* (__cdecl* UnixFileName)(const wchar_t*);

// Makes `name` (in the current directory) a link to the host's /dev/full, whose every write
// fails with "no space left on device": a file that opens and cannot grow. False where the
// test cannot make one (not under Wine).
bool LinkToFullDevice(const std::string& name) {
    const auto unixFileName =
        reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (unixFileName == nullptr) return false;
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, directory);
    const std::string windowsPath = std::string(directory) + "\\" + name;
    char* unixPath = unixFileName(std::wstring(windowsPath.begin(), windowsPath.end()).c_str());
    if (unixPath == nullptr) return false;
    const std::wstring target(unixPath, unixPath + std::strlen(unixPath));
    HeapFree(GetProcessHeap(), 0, unixPath);
    // Wine's "start /unix" runs a program of the host.
    if (target.find_first_of(L" \"'") != std::wstring::npos) return false;
    RunProgram(L"C:\\windows\\system32\\start.exe", L"/unix /bin/sh -c \"ln -s /dev/full " + target + L"\"");
    // Once the link is there (the host's program may still be running), it opens, and a write
    // fails for want of room.
    for (int attempt = 0; attempt < 100; ++attempt, Sleep(50)) {
        const win::FileHandle file(CreateFileA(name.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                               nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file) continue;
        DWORD written = 0;
        return !WriteFile(file.get(), "x", 1, &written, nullptr) && GetLastError() == ERROR_DISK_FULL;
    }
    return false;
}

TEST(Faults, DiagnosticsThatCannotBeWrittenChangeNoResult) {
    if (!Edition().writesUserLog() && !Edition().writesTrace()) GTEST_SKIP() << "this edition writes nothing";
    ScopedTokenStore token;
    token.plugIn(UserToken());
    const std::string expired = Text("expired.crt.pem"), revoked = Text("revoked.crt.pem");
    const std::string crl = FixturePath("root-a.crl.der");
    // Calls that write down a failure or an answer (token edition) or a trace block (trace).
    const std::vector<std::function<int32_t()>> calls = {
        [expired] {
            std::string text = expired;
            return Edition().verifyUserCert(text.data(), 0);
        },
        [revoked, crl] {
            std::string text = revoked;
            return Edition().verifyUserCRL(text.data(), crl.c_str(), "3");
        },
        [] { return TokenCertificate(); },
        RandomBytes,
    };
    const std::string sink = Edition().writesUserLog() ? TodaysUserLogName() : "CVemoDLL_Debug.txt";
    // What each state does to the file the edition writes to, and whether the library says so on
    // its standard output (the user log's open failure only).
    const struct {
        const char* name;
        std::function<bool(win::FileHandle&)> prepare;
        bool told;
    } states[] = {
        {"writable", [](win::FileHandle&) { return true; }, false},
        {"its name taken by a folder", [&](win::FileHandle&) { return CreateDirectoryA(sink.c_str(), nullptr) != 0; },
         Edition().writesUserLog()},
        {"held open elsewhere without sharing",
         [&](win::FileHandle& held) {
             held.reset(CreateFileA(sink.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
             return static_cast<bool>(held);
         },
         Edition().writesUserLog()},
        {"on a full disk (a file that cannot grow)", [&](win::FileHandle&) { return LinkToFullDevice(sink); }, false},
    };
    std::vector<int32_t> writable;
    for (const auto& state : states) {
        SCOPED_TRACE(state.name);
        ScopedWorkingDirectory directory;
        win::FileHandle held;
        if (!state.prepare(held)) {
            ADD_FAILURE() << "cannot make the state";
            continue;
        }
        std::vector<int32_t> results;
        testing::internal::CaptureStdout();
        for (const auto& call : calls) results.push_back(call());
        const std::string printed = testing::internal::GetCapturedStdout();
        if (writable.empty()) writable = results;
        EXPECT_EQ(results, writable);
        // "无法打开用户文件" (cannot open the user file) in GBK.
        EXPECT_EQ(printed.find("\xce\xde\xb7\xa8\xb4\xf2\xbf\xaa\xd3\xc3\xbb\xa7\xce\xc4\xbc\xfe") != std::string::npos,
                  state.told)
            << printed;
        EXPECT_EQ(ListFolder(directory.path()), std::vector<std::string>{sink}) << "nothing else is written";
        std::printf("[report] faults, %s edition, diagnostics file %s: results %s, as with a writable one\n",
                    Edition().name().c_str(), state.name, testing::PrintToString(results).c_str());
    }
}

}  // namespace
}  // namespace vemo::test
