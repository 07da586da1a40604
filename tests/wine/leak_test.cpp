// Every export on a success path and a failure path, called many times over: the process holds
// as many handles afterwards as before, and its memory stays flat (the busy bytes of all its
// heaps, and its committed private memory). The figures go out as "[report]" lines.
//
// The test run makes each path's CI count of calls (10,000 where a call is cheap, fewer where
// one costs milliseconds); VEMO_LEAK_CALLS=<n> makes every path n calls, for the long run, and
// VEMO_LEAK_PATHS=<text> keeps only the paths whose name holds the text.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/edition_under_test.h"
#include "support/process_handles.h"
#include "support/scoped_environment.h"
#include "support/signing_fixture.h"
#include "support/store_fixture.h"
#include "support/test_token.h"
#include "support/token_fixture.h"

namespace vemo::test {
namespace {

// Heap bytes a path may add over all its calls: caches the platform fills once, never a per-call
// allocation (10,000 calls that each kept 8 bytes would be 80,000).
constexpr SIZE_T kHeapSlack = 16 * 1024;
// Committed memory a path may add: the heaps round their growth to whole regions.
constexpr SIZE_T kCommittedSlack = 1024 * 1024;

struct Path {
    std::string name;
    std::function<int32_t()> call;
    int32_t expected;
    int ciCalls;
    // Where Wine itself keeps a handle per call (an existing named key container opened), the
    // bare platform sequence: the library may keep what it keeps, and nothing more.
    std::function<bool()> platform = {};
};

int CallsOf(const Path& path) {
    const char* override = std::getenv("VEMO_LEAK_CALLS");
    return override != nullptr && std::atoi(override) > 0 ? std::atoi(override) : path.ciCalls;
}

bool IsToken() { return Edition().kind() == EditionKind::Token; }
bool IsPicker() { return Edition().kind() == EditionKind::Picker; }

std::string Text(const std::string& fixture) {
    const std::vector<uint8_t> bytes = FixtureBytes(fixture);
    return std::string(bytes.begin(), bytes.end());
}

int32_t UserCert(const char* source, const char* serial, const char* location) {
    char out[CVEMO_CERT_TEXT_MAX + 1];
    int32_t length = 0;
    return Edition().getUserCert("lookup", serial, location, source, out, &length);
}

// One certificate information call with a pack as the edition's caller holds one, released.
int32_t CertInfo(std::string text) {
    Pack own{};
    PackItem* pack = own;
    if (IsToken()) {
        Edition().newPack(&pack);
    } else if (!IsPicker()) {
        for (PackItem& item : own) item.data = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, PACK_ITEM_SIZE));
    }
    char info[1024];
    const int32_t result = Edition().getCertInfo(text.data(), "36", info, pack);
    Edition().freePack(pack);
    return result;
}

int32_t FreeCallerPack() {
    Pack pack{};
    for (PackItem& item : pack) item.data = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, PACK_ITEM_SIZE));
    return Edition().freePack(pack);
}

int32_t NewAndFreePack() {
    PackItem* pack = nullptr;
    const int32_t made = Edition().newPack(&pack);
    return made != 0 ? made : Edition().freePack(pack);
}

int32_t Crl(std::string text, const std::string& file) { return Edition().verifyUserCRL(text.data(), file.c_str(), "3"); }

int32_t Cert(std::string text) { return Edition().verifyUserCert(text.data(), 0); }

int32_t SignEx(int32_t mode, const char* selector) {
    CVEMO_SIGNATURE_RECORD record;
    return Edition().signEx(mode, selector, "leak test", 9, &record);
}

int32_t Sign() {
    CVEMO_SIGNATURE_RECORD record;
    return Edition().sign("", "leak test", 9, &record);
}

int32_t SignP7(const char* text) {
    uint8_t message[CVEMO_P7_MESSAGE_MAX(9)];
    int32_t length = 0;
    return Edition().signP7(text, message, &length);
}

int32_t VerifyP7(const std::vector<uint8_t>& message) {
    const uint32_t length = static_cast<uint32_t>(message.size());
    return Edition().verifySignP7(message.data(), &length);
}

int32_t Random(bool valid) {
    uint8_t buffer[32];
    return Edition().generateRandom(valid ? buffer : nullptr, sizeof buffer);
}

int32_t Hash(bool valid) {
    uint8_t digest[20];
    uint32_t length = 0;
    return Edition().hash(0, reinterpret_cast<const uint8_t*>("leak test"), 9, digest, valid ? &length : nullptr);
}

int32_t HashEx(uint32_t algorithm) {
    uint8_t digest[CVEMO_DIGEST_SIZE_MAX];
    uint32_t length = sizeof digest;
    return Edition().hashEx(algorithm, reinterpret_cast<const uint8_t*>("leak test"), 9, digest, &length);
}

int32_t SignData(int32_t mode, const char* selector) {
    uint8_t signature[128];
    uint32_t length = sizeof signature;
    return Edition().signData(CVEMO_SHA256, mode, selector, reinterpret_cast<const uint8_t*>("leak test"), 9,
                              signature, &length);
}

int32_t SignMessage(int32_t mode, const char* selector, uint32_t flags) {
    std::vector<uint8_t> message(4096);
    uint32_t length = static_cast<uint32_t>(message.size());
    return Edition().signMessage(CVEMO_SHA256, flags, mode, selector, reinterpret_cast<const uint8_t*>("leak test"), 9,
                                 message.data(), &length);
}

// A module loaded afresh and unloaded again, as a program that loads it for each use does: a
// copy under a name of its own, so that the process's own loading does not keep it.
std::function<int32_t()> LoadAndUnload(const std::wstring& module) {
    std::wstring copy = module;
    copy.replace(copy.size() - 4, 4, L"-leak-test.dll");
    EXPECT_TRUE(CopyFileW(module.c_str(), copy.c_str(), FALSE));
    return [copy] {
        const HMODULE loaded = LoadLibraryExW(copy.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        return loaded != nullptr && FreeLibrary(loaded) ? 0 : -1;
    };
}

// The same with a message verified in between: the verification context that the module keeps
// for the process goes with it.
std::function<int32_t()> LoadVerifyAndUnload(const std::wstring& module, const std::vector<uint8_t>& message) {
    std::wstring copy = module;
    copy.replace(copy.size() - 4, 4, L"-leak-verify.dll");
    EXPECT_TRUE(CopyFileW(module.c_str(), copy.c_str(), FALSE));
    return [copy, message] {
        const tool::LibraryBinding loaded(copy);
        if (!loaded.loaded()) return -1;
        return loaded.verifyMessage(message.data(), static_cast<uint32_t>(message.size()), nullptr, 0, nullptr, nullptr,
                                    nullptr, nullptr);
    };
}

int32_t CertPath(const std::string& text, const std::string& intermediates, const std::string& lists, uint32_t flags) {
    std::vector<char> path(CVEMO_PATH_TEXT_MAX);
    uint32_t length = static_cast<uint32_t>(path.size());
    return Edition().verifyCertPath(text.c_str(), intermediates.c_str(), lists.c_str(), flags, path.data(), &length);
}

// The picker edition's key opening as the platform does it alone (Wine keeps a handle each time).
bool OpenPersonalKey() {
    const win::CertStore personal(CertOpenSystemStoreA(0, "MY"));
    const win::CertificateContext chosen(CertFindCertificateInStore(
        personal.get(), X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_STR_A, "Vemo User 1024", nullptr));
    HCRYPTPROV context = 0;
    DWORD keySpec = 0;
    BOOL callerFrees = FALSE;
    if (!chosen || !CryptAcquireCertificatePrivateKey(chosen.get(), CRYPT_ACQUIRE_USE_PROV_INFO_FLAG, nullptr,
                                                      &context, &keySpec, &callerFrees)) {
        return false;
    }
    if (callerFrees) CryptReleaseContext(context, 0);
    return true;
}

// The same key opened again in the AES-capable provider, as SHA-2 signatures with a key of a
// provider without SHA-2 need it (Wine keeps a handle for that opening too).
bool OpenPersonalKeyForSha2() {
    HCRYPTPROV context = 0;
    if (!OpenPersonalKey() || !CryptAcquireContextA(&context, "vemo-test-user1024", nullptr, PROV_RSA_AES, CRYPT_SILENT)) {
        return false;
    }
    CryptReleaseContext(context, 0);
    return true;
}

std::vector<Path> Paths() {
    const std::string pem = Text("user1024.crt.pem"), expired = Text("expired.crt.pem");
    const std::string revoked = Text("revoked.crt.pem"), crl = FixturePath("root-a.crl.der");
    const std::string forged = FixturePath("crl-cases/forged.crl.der");
    const std::vector<uint8_t> der = FixtureBytes("user1024.crt.der");
    const std::string data = "leak test";
    const CVEMO_SIGNATURE_RECORD record = RecordOf(FixtureSignature("user1024", data));
    CVEMO_SIGNATURE_RECORD unmarked = record;
    unmarked.marker[0] = 'X';
    const std::vector<uint8_t> value = ValueOf(record);
    const auto verify = [der, data](const CVEMO_SIGNATURE_RECORD& signature, const std::string& over) {
        return [=] { return VerifyWith(der, over, signature); };
    };
    std::vector<Path> paths = {
        {"GetUserCert \"3\": a file", [] { return UserCert("3", "", "user.pem"); }, 0, 10000},
        {"GetUserCert \"3\": no such file", [] { return UserCert("3", "", "none.pem"); },
         E_FILE_OPEN_ERROR, 10000},
        {"GetUserCert \"0\": found in \"MY\"",
         [] { return UserCert("0", "3A1B2C3D4E5F60718293A4B5C6D7E8F9", ""); }, 0, 500},
        {"GetUserCert \"0\": no such serial", [] { return UserCert("0", "FFFF", ""); },
         E_ENCROLL_CERT_NO_FIND, 500},
        {"GetCertInfo", [pem] { return CertInfo(pem); }, 0, 10000},
        {"GetCertInfo: not a certificate", [] { return CertInfo("MIIBAAAA"); }, E_CERT_DATA_ERROR,
         10000},
        // The list is judged with the keys of "ROOT", which each call reads.
        {"VerifyUserCRL: not revoked", [pem, crl] { return Crl(pem, crl); }, 0, 100},
        {"VerifyUserCRL: revoked", [revoked, crl] { return Crl(revoked, crl); }, E_CERT_REVOKED, 100},
        {"VerifyUserCRL: a list no trusted key signed", [pem, forged] { return Crl(pem, forged); },
         E_CRL_UNTRUSTED, 100},
        {"VerifyUserCRL: no such file", [pem] { return Crl(pem, "none.crl"); },
         E_FILE_OPEN_ERROR, 10000},
        {"VerifyUserCert: issued by a root of \"ROOT\"", [pem] { return Cert(pem); }, 0, 100},
        {"VerifyUserCert: expired", [expired] { return Cert(expired); }, E_CERT_EXPIRED, 10000},
        {"VerifySign: valid", verify(record, data), 0, 1000},
        {"VerifySign: another text", verify(record, "other"), E_VERIFY_ERROR, 500},
        {"VerifySign: no marker", verify(unmarked, data), E_FAILED, 10000},
        {"GenerateRandom", [] { return Random(true); }, 0, 10000},
        {"GenerateRandom: no buffer", [] { return Random(false); }, SPC_INPUTARG_ERROR_01, 10000},
        {"Hash", [] { return Hash(true); }, 0, 1000},
        {"Hash: no length", [] { return Hash(false); }, SPC_INPUTARG_ERROR_01, 10000},
        {"HashEx", [] { return HashEx(CVEMO_SHA256); }, 0, 2000},
        {"HashEx: an unknown algorithm", [] { return HashEx(0x8003); }, E_ALGORITHM, 10000},
        {"VerifyData: valid", [der, data, value] { return VerifyDataWith(der, data, value); }, 0, 1000},
        {"VerifyData: another text", [der, value] { return VerifyDataWith(der, "other", value); }, E_VERIFY_ERROR, 1000},
    };
    const std::string pathUser = Text("path-cases/user-1.crt.pem"), pathCa = Text("path-cases/ca-1.crt.pem");
    const std::string pathLists = FixturePath("path-cases/ca-1.crl.pem") + ";" + FixturePath("path-cases/root.crl.pem");
    paths.push_back({"VerifyCertPath: through an intermediate, two lists required",
                     [=] { return CertPath(pathUser, pathCa, pathLists, CVEMO_PATH_REVOCATION); }, 0, 100});
    paths.push_back({"VerifyCertPath: revoked", [=] { return CertPath(Text("path-cases/revoked-user.crt.pem"), pathCa,
                                                                        pathLists, 0); },
                     E_CERT_REVOKED, 50});
    paths.push_back({"VerifyCertPath: no such list file", [=] { return CertPath(pathUser, pathCa, "none.crl", 0); },
                     E_FILE_OPEN_ERROR, 10000});
    if (IsToken()) {
        paths.push_back({"NewPack and FreePack", NewAndFreePack, 0, 10000});
        paths.push_back({"NewPack: no pointer", [] { return Edition().newPack(nullptr); },
                         SPC_INPUTARG_ERROR_01, 10000});
    } else {
        paths.push_back({"FreePack of a caller's pack", FreeCallerPack, 0, 10000});
    }
    paths.push_back({"the library loaded and unloaded", LoadAndUnload(Edition().dllPath()), 0, 200});
    if (!IsPicker()) {
        const std::wstring library = Edition().dllPath();
        const std::wstring tokenLibrary = library.substr(0, library.find_last_of(L"\\/") + 1) + L"UTSecDll.dll";
        paths.push_back({"the token library loaded and unloaded", LoadAndUnload(tokenLibrary), 0, 200});
    }
    paths.push_back({"FreePack: no pack", [] { return Edition().freePack(nullptr); }, 0, 10000});
    {  // every edition: a message of the platform's signer verified whole, and with a changed content
        std::vector<uint8_t> message = PlatformSignedMessage("user1024", "leak test", szOID_NIST_sha256);
        const auto verifyMessage = [](const std::vector<uint8_t>& bytes) {
            return [bytes] {
                uint8_t content[16];
                char certificate[2048];
                uint32_t contentLength = sizeof content, certificateLength = sizeof certificate;
                return Edition().verifyMessage(bytes.data(), static_cast<uint32_t>(bytes.size()), nullptr, 0, content,
                                               &contentLength, certificate, &certificateLength);
            };
        };
        paths.push_back({"VerifyMessage", verifyMessage(message), 0, 1000});
        // Not the trace edition: its trace file keeps 2 handles and about 800 bytes for each
        // loading, traced call of any export and unloading (C_VEMO_GenerateRandom's the same).
        if (Edition().kind() != EditionKind::Trace) {
            paths.push_back({"the library loaded, a message verified, unloaded",
                             LoadVerifyAndUnload(Edition().dllPath(), message), 0, 30});
        }
        message[std::string(message.begin(), message.end()).find("leak test")] ^= 1;
        paths.push_back({"VerifyMessage: a changed content", verifyMessage(message), E_VERIFY_ERROR, 1000});
    }
    if (!IsPicker()) {
        paths.push_back({"GetUserCert \"4\": the token", [] { return UserCert("4", "", ""); }, 0,
                         2000});
        paths.push_back({"GetUserCert \"2\"", [] { return UserCert("2", "s", "l"); }, 0, 10000});
        paths.push_back({"SignEx: the token's key", [] { return SignEx(0, ""); }, 0, 200});
        paths.push_back({"Sign: the token's key", Sign, 0, 200});
        paths.push_back({"SignData: the token's key", [] { return SignData(0, nullptr); }, 0, 200});
        paths.push_back({"SignData: no such serial", [] { return SignData(0, "0103"); }, E_ENCROLL_CERT_NO_FIND, 100});
        paths.push_back({"SignMessage: the token's key, its path looked up",
                         [] { return SignMessage(0, nullptr, CVEMO_MSG_CHAIN); }, 0, 50});
        paths.push_back({"Sign_P7: the token's key", [] { return SignP7("leak test"); }, 0, 200});
        paths.push_back({"Sign_P7: no text", [] { return SignP7(nullptr); }, E_ERROR_DATA, 10000});
        const std::string garbage = "not a signed message";
        paths.push_back({"VerifySign_P7: not a signed message",
                         [garbage] { return VerifyP7(std::vector<uint8_t>(garbage.begin(), garbage.end())); }, E_FAILED,
                         10000});
        if (IsToken()) {  // the trace edition shows the content of a verified message in a box
            std::vector<uint8_t> message(CVEMO_P7_MESSAGE_MAX(9));
            int32_t length = 0;
            EXPECT_EQ(Edition().signP7("leak test", message.data(), &length), 0);
            message.resize(static_cast<size_t>(std::max(length, 0)));
            paths.push_back({"VerifySign_P7: a message it made", [message] { return VerifyP7(message); }, 0, 1000});
        }
    } else {
        const std::function<bool()> platform = OpenPersonalKey;
        paths.push_back({"SignEx mode 1: a personal certificate",
                         [] { return SignEx(1, "3A1B2C3D4E5F60718293A4B5C6D7E8F9"); }, 0, 200, platform});
        paths.push_back({"Sign: the remembered certificate", Sign, 0, 200, platform});
        paths.push_back({"SignData mode 1: a personal certificate through the AES-capable provider",
                         [] { return SignData(1, "3A1B2C3D4E5F60718293A4B5C6D7E8F9"); }, 0, 200,
                         OpenPersonalKeyForSha2});
        paths.push_back({"SignMessage mode 1: a personal certificate through the AES-capable provider",
                         [] { return SignMessage(1, "3A1B2C3D4E5F60718293A4B5C6D7E8F9", CVEMO_MSG_PEM); }, 0, 200,
                         OpenPersonalKeyForSha2});
        paths.push_back({"SignEx mode 2: no such subject", [] { return SignEx(2, "nobody"); },
                         E_ENCROLL_CERT_NO_FIND, 1000});
    }
    return paths;
}

std::string Megabytes(SIZE_T bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f MB", bytes / 1048576.0);
    return text;
}

long long Grown(SIZE_T before, SIZE_T after) { return static_cast<long long>(after) - static_cast<long long>(before); }

TEST(Leaks, EveryExportManyTimesLeavesHandlesAndMemoryFlat) {
    ScopedWorkingDirectory directory;
    const ScopedStoreEntry root("ROOT", "root-a.crt.der");
    const ScopedStoreEntry pathRoot("ROOT", "path-cases/root.crt.pem");
    const PersonalCertificate personal("user1024");
    ScopedTokenStore token;
    token.plugIn(TokenOf({FixtureContainer("user1024", "LAB-USER")}));
    {
        const std::vector<uint8_t> pem = FixtureBytes("user1024.crt.pem");
        std::FILE* file = std::fopen("user.pem", "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(pem.data(), 1, pem.size(), file);
        std::fclose(file);
    }

    const char* only = std::getenv("VEMO_LEAK_PATHS");
    for (const Path& path : Paths()) {
        if (only != nullptr && path.name.find(only) == std::string::npos) continue;
        SCOPED_TRACE(path.name);
        // What the platform sets up once, and what Wine keeps for the named container "temporary".
        for (int i = 0; i < 3; ++i) ASSERT_EQ(path.call(), path.expected);
        const int calls = CallsOf(path);
        const DWORD handles = HandleCount();
        const SIZE_T heap = HeapBusyBytes(), committed = CommittedPrivateBytes();
        const DWORD start = GetTickCount();
        int unexpected = 0;
        for (int i = 0; i < calls; ++i) unexpected += path.call() != path.expected;
        const double msPerCall = double(GetTickCount() - start) / calls;
        const DWORD handlesAfter = HandleCount();
        const SIZE_T heapAfter = HeapBusyBytes(), committedAfter = CommittedPrivateBytes();
        EXPECT_EQ(unexpected, 0);

        DWORD platformKeeps = 0;
        if (path.platform) {
            const DWORD start = HandleCount();
            for (int i = 0; i < calls; ++i) ASSERT_TRUE(path.platform());
            platformKeeps = HandleCount() - start;
        }
        EXPECT_EQ(handlesAfter - handles, platformKeeps) << "handles kept";
        if (!path.platform) {
            EXPECT_LE(Grown(heap, heapAfter), static_cast<long long>(kHeapSlack)) << "heap bytes kept";
            EXPECT_LE(Grown(committed, committedAfter), static_cast<long long>(kCommittedSlack)) << "memory kept";
        }
        std::printf("[report] leaks, %s edition, %s: %d calls (%.2f ms each); handles %lu -> %lu%s; heap %s -> %s "
                    "(%+lld bytes); committed %s -> %s\n",
                    Edition().name().c_str(), path.name.c_str(), calls, msPerCall, static_cast<unsigned long>(handles),
                    static_cast<unsigned long>(handlesAfter),
                    path.platform ? (" (the platform's own opening keeps " + std::to_string(platformKeeps) + ")").c_str()
                                  : "",
                    Megabytes(heap).c_str(), Megabytes(heapAfter).c_str(), Grown(heap, heapAfter),
                    Megabytes(committed).c_str(), Megabytes(committedAfter).c_str());
    }
}

}  // namespace
}  // namespace vemo::test
