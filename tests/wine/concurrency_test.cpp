// Calls from several threads and processes at once: 8 threads of this program each call every
// export that is safe on several threads (the public header names them) a fixed number of
// rounds, while 3 other processes verify signatures and make digests in the same working key
// container "temporary". Every call must succeed with its own, uncorrupted output, and the
// diagnostics must hold exactly one block or entry per call that writes one.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/edition_under_test.h"
#include "support/scoped_environment.h"
#include "support/signing_fixture.h"
#include "support/store_fixture.h"
#include "support/test_token.h"
#include "support/token_fixture.h"

namespace vemo::test {
namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 12;
constexpr int kProcesses = 3;
constexpr int kProcessRounds = 60;

constexpr char kUserSerial[] = "3A1B2C3D4E5F60718293A4B5C6D7E8F9";

bool IsToken() { return Edition().kind() == EditionKind::Token; }
bool IsPicker() { return Edition().kind() == EditionKind::Picker; }

std::string Text(const std::string& fixture) {
    const std::vector<uint8_t> bytes = FixtureBytes(fixture);
    return std::string(bytes.begin(), bytes.end());
}

std::string UserCertText(const char* source, const char* serial = "", const char* location = "") {
    char out[CVEMO_CERT_TEXT_MAX + 1];
    int32_t length = -1;
    if (Edition().getUserCert("lookup", serial, location, source, out, &length) != 0 || length < 0) return "(failed)";
    return std::string(out, static_cast<size_t>(length));
}

// One call of an export and the check of what it gave.
struct Step {
    const char* name;
    std::function<bool()> run;
};

std::vector<Step> Steps() {
    const std::string pem = Text("user1024.crt.pem"), revoked = Text("revoked.crt.pem");
    const std::string expired = Text("expired.crt.pem"), crl = FixturePath("root-a.crl.der");
    const std::vector<uint8_t> der = FixtureBytes("user1024.crt.der");
    const std::string oneLine = OneLinePem(der);
    const CVEMO_SIGNATURE_RECORD record = RecordOf(FixtureSignature("user1024", "shared data"));

    std::vector<Step> steps = {
        {"GetUserCert \"3\"", [pem] { return UserCertText("3", "", "user.pem") == pem; }},
        {"GetUserCert \"0\"", [oneLine] { return UserCertText("0", kUserSerial) == oneLine; }},
        {"GetCertInfo", [pem] {
             std::string text = pem;
             Pack own{};
             PackItem* pack = own;
             if (IsToken()) Edition().newPack(&pack);
             if (Edition().kind() == EditionKind::Trace) {
                 for (PackItem& item : own) item.data = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, PACK_ITEM_SIZE));
             }
             char info[1024] = {};
             const bool ok = Edition().getCertInfo(text.data(), "36", info, pack) == 0 &&
                             std::string(info) == "Vemo User 1024" && pack[5].length == 15 &&
                             std::memcmp(pack[5].data, "Vemo User 1024", 15) == 0;
             Edition().freePack(pack);
             return ok;
         }},
        {"VerifyUserCRL", [pem, crl] {
             std::string text = pem;
             return Edition().verifyUserCRL(text.data(), crl.c_str(), "3") == CVEMO_CRL_NOT_REVOKED;
         }},
        {"VerifyUserCRL: revoked", [revoked, crl] {  // the token edition logs the answer
             std::string text = revoked;
             return Edition().verifyUserCRL(text.data(), crl.c_str(), "3") == E_CERT_REVOKED;
         }},
        {"VerifyUserCert", [pem] {
             std::string text = pem;
             return Edition().verifyUserCert(text.data(), 0) == 0;
         }},
        {"VerifyUserCert: expired", [expired] {  // the token edition logs it
             std::string text = expired;
             return Edition().verifyUserCert(text.data(), 0) == E_CERT_EXPIRED;
         }},
        {"VerifyCertPath", [] {  // the stores it keeps open, shared by every call
             static const std::string user = Text("path-cases/user-1.crt.pem"), ca = Text("path-cases/ca-1.crt.pem");
             static const std::string lists =
                 FixturePath("path-cases/ca-1.crl.pem") + ";" + FixturePath("path-cases/root.crl.pem");
             std::vector<char> path(CVEMO_PATH_TEXT_MAX);
             uint32_t length = static_cast<uint32_t>(path.size());
             return Edition().verifyCertPath(user.c_str(), ca.c_str(), lists.c_str(), CVEMO_PATH_REVOCATION,
                                             path.data(), &length) == 0 &&
                    std::count(path.begin(), path.begin() + length, '\n') == 2;
         }},
        {"VerifySign", [der, record] { return VerifyWith(der, "shared data", record) == 0; }},
        {"SignEx, then VerifySign", [der] {
             const std::string data = "thread data " + std::to_string(GetCurrentThreadId());
             CVEMO_SIGNATURE_RECORD made{};
             return Edition().signEx(1, kUserSerial, data.c_str(), static_cast<int32_t>(data.size()), &made) == 0 &&
                    VerifyWith(der, data, made) == 0;
         }},
        {"Sign, then VerifySign", [der] {
             const std::string data = "thread data";
             CVEMO_SIGNATURE_RECORD made{};
             return Edition().sign("", data.c_str(), static_cast<int32_t>(data.size()), &made) == 0 &&
                    VerifyWith(der, data, made) == 0;
         }},
        {"GenerateRandom", [] {
             uint8_t bytes[32] = {};
             return Edition().generateRandom(bytes, sizeof bytes) == 0 &&
                    std::any_of(bytes, bytes + sizeof bytes, [](uint8_t b) { return b != 0; });
         }},
        {"Hash", [] {
             uint8_t digest[20] = {};
             uint32_t length = 0;
             return Edition().hash(0, reinterpret_cast<const uint8_t*>("abc"), 3, digest, &length) == 0 &&
                    length == 20 && digest[0] == 0xA9 && digest[19] == 0x9D;
         }},
        {"HashEx", [] {
             uint8_t digest[32] = {};
             uint32_t length = sizeof digest;
             return Edition().hashEx(CVEMO_SHA256, reinterpret_cast<const uint8_t*>("abc"), 3, digest, &length) == 0 &&
                    length == 32 && digest[0] == 0xBA && digest[31] == 0xAD;
         }},
        {"VerifyData", [der, record] { return VerifyDataWith(der, "shared data", ValueOf(record)) == 0; }},
        {"SignData, then VerifyData", [der] {
             const std::string data = "thread data " + std::to_string(GetCurrentThreadId());
             uint8_t signature[128];
             uint32_t length = sizeof signature;
             return Edition().signData(CVEMO_SHA256, 1, kUserSerial, reinterpret_cast<const uint8_t*>(data.data()),
                                       static_cast<uint32_t>(data.size()), signature, &length) == 0 &&
                    VerifyDataWith(der, data, Bytes(signature, signature + length), CVEMO_SHA256) == 0;
         }},
    };
    // One verification context for the process, shared by the threads' verifications.
    const std::string text = "a message for every thread";
    const std::vector<uint8_t> message = PlatformSignedMessage("user2048", text, szOID_NIST_sha512);
    steps.push_back({"VerifyMessage", [message, text] {
                         char content[64];
                         uint32_t length = sizeof content;
                         return Edition().verifyMessage(message.data(), static_cast<uint32_t>(message.size()), nullptr, 0,
                                                        reinterpret_cast<uint8_t*>(content), &length, nullptr,
                                                        nullptr) == 0 &&
                                std::string(content, length) == text;
                     }});
    if (!IsPicker()) {
        // The picker edition's other sources open a dialog.
        steps.push_back({"GetUserCert \"2\"", [] { return UserCertText("2", "s", "l").size() == 52; }});
        steps.push_back({"GetUserCert \"4\"", [oneLine] { return UserCertText("4") == oneLine; }});
        steps.push_back({"GetUserCert, the personal store", [oneLine] { return UserCertText("5") == oneLine; }});
    }
    if (Edition().usesToken()) {
        steps.push_back({"Sign_P7", [] {
                             std::vector<uint8_t> message(CVEMO_P7_MESSAGE_MAX(11));
                             int32_t length = 0;
                             if (Edition().signP7("thread text", message.data(), &length) != 0 || length <= 0) return false;
                             // The trace edition shows a verified message's content in a box: not on
                             // several threads.
                             const uint32_t size = static_cast<uint32_t>(length);
                             return !IsToken() || Edition().verifySignP7(message.data(), &size) == 0;
                         }});
    }
    if (IsToken()) {
        steps.push_back({"NewPack and FreePack", [] {
                             PackItem* pack = nullptr;
                             return Edition().newPack(&pack) == 0 && Edition().freePack(pack) == 0;
                         }});
    }
    return steps;
}

int Occurrences(const std::string& text, const std::string& what) {
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++count;
    return count;
}

TEST(Concurrency, EightThreadsAndThreeProcessesCallEverySafeExportAtOnce) {
    ScopedWorkingDirectory directory;
    const ScopedStoreContents my("MY", {});
    const PersonalCertificate personal("user1024");
    const ScopedStoreEntry root("ROOT", "root-a.crt.der");
    const ScopedStoreEntry pathRoot("ROOT", "path-cases/root.crt.pem");
    // Container 1 is a pseudo-container: the token source makes container 1 current, then 2, and
    // a thread that made 1 current under another's reading would hand out nothing.
    ScopedTokenStore token;
    token.plugIn(TokenOf({ContainerWithoutKey("*defalut*"), FixtureContainer("user1024", "LAB-USER")}));
    {
        const std::vector<uint8_t> pem = FixtureBytes("user1024.crt.pem");
        std::FILE* file = std::fopen("user.pem", "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(pem.data(), 1, pem.size(), file);
        std::fclose(file);
    }
    const std::vector<Step> steps = Steps();
    for (const Step& step : steps) ASSERT_TRUE(step.run()) << step.name << " fails even alone";
    const std::string logName = TodaysUserLogName();
    const auto logEntries = [&](const char* message) { return Occurrences(ReadFileBytes(logName), message); };
    const int expiredBefore = logEntries("[ERROR]CertVerifyTimeValidity is error,Error Code: 0x00000001,Line ");
    const int revokedBefore = logEntries("[ERROR]CertFindCertificateInCRL is error,Error Code: 0xfffffe04,Line ");
    const int entriesBefore = logEntries("[ERROR]");
    // A block starts with its separator line (which may follow a line of another block that
    // does not end its line, "****** CertOpenSystemStore OK. \n******").
    const std::string separator(56, '=');
    const int blocksBefore = Occurrences(ReadFileBytes("CVemoDLL_Debug.txt"), separator);

    // Three processes verify and hash in "temporary" all the while.
    const auto children = StartLoopingChildren(kProcesses, L"--verify-loop=" + std::to_wstring(kProcessRounds));

    const auto start = std::chrono::steady_clock::now();
    std::mutex lock;
    std::vector<std::string> failures;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < kRounds; ++round) {
                for (const Step& step : steps) {
                    if (step.run()) continue;
                    std::lock_guard<std::mutex> hold(lock);
                    failures.push_back(step.name);
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    int childFailures = 0;
    for (auto& child : children) childFailures += child->wait();

    EXPECT_EQ(testing::PrintToString(failures), "{}") << "calls that failed or gave a wrong output";
    EXPECT_EQ(childFailures, 0) << "failed calls in the other processes";

    // Exactly one log entry or trace block per call that writes one, none lost or torn.
    const int calls = kThreads * kRounds;
    if (IsToken()) {
        // An expired certificate and a revoked one per round, each entry whole.
        EXPECT_EQ(logEntries("[ERROR]CertVerifyTimeValidity is error,Error Code: 0x00000001,Line ") - expiredBefore,
                  calls);
        EXPECT_EQ(logEntries("[ERROR]CertFindCertificateInCRL is error,Error Code: 0xfffffe04,Line ") - revokedBefore,
                  calls);
        EXPECT_EQ(logEntries("[ERROR]") - entriesBefore, 2 * calls);
    }
    if (Edition().writesTrace()) {
        // GetUserCert five times (the personal store's reader adds its own block), VerifyUserCert
        // twice, VerifyCertPath, GenerateRandom, Sign_P7 and VerifyMessage once a round.
        const int blocks = Occurrences(ReadFileBytes("CVemoDLL_Debug.txt"), separator) - blocksBefore;
        EXPECT_EQ(blocks, 12 * calls);
    }
    std::printf("[report] concurrency, %s edition: %d threads x %d rounds of %zu exports' calls (%d calls) beside %d "
                "processes x %d verifications and digests in \"temporary\": %zu failures, %.1f s\n",
                Edition().name().c_str(), kThreads, kRounds, steps.size(), calls * static_cast<int>(steps.size()),
                kProcesses, kProcessRounds, failures.size() + childFailures, seconds);
}

TEST(Concurrency, EightThreadsReadTheTokenAtOnce) {
    if (!Edition().usesToken()) GTEST_SKIP() << "the picker edition has no token";
    // The token library keeps one current container per process: each call's making container 1
    // and then 2 current and reading it must not interleave with another thread's.
    ScopedTokenStore token;
    token.plugIn(TokenOf({ContainerWithoutKey("*defalut*"), FixtureContainer("user1024", "LAB-USER")}));
    const std::string expected = OneLinePem(FixtureBytes("user1024.crt.der"));
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 300; ++i) wrong += UserCertText("4") != expected;
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong, 0) << "of " << kThreads * 300 << " calls";
}

}  // namespace
}  // namespace vemo::test
