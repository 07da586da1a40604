// The library's exports as a 32-bit client calls them: bound through this edition's import
// library, called with the convention the public header declares, the stack pointer watched
// across every call (checked_call.h). The main cases of each export; the win64 suites of
// tests/wine hold the rest.
//
// A new export: its main cases as tests here, each call made with CHECKED_CALL, and its names
// and ordinals as a row of Binding.NamesAndOrdinalsLeadToTheBoundExports. An export that only
// some editions have gets a file of its own for both, listed for those editions in
// CMakeLists.txt (a program cannot even name an export its edition lacks).
#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <string>
#include <vector>

#include "CVemoDll_C.h"
#include "checked_call.h"
#include "edition.h"
#include "support/hex_text.h"
#include "support/scoped_environment.h"
#include "support/signing_fixture.h"
#include "support/store_fixture.h"
#include "support/token_fixture.h"
#include "token/utsecdll/UTSecDll.h"

// tests/abi/client.c, the example client, built into this program under this name.
extern "C" int vemo_example_client_main(void);

namespace vemo::test {
namespace {

constexpr uint8_t kCanary = 0xCC;

bool CanariesIntact(const std::vector<uint8_t>& buffer) {
    for (size_t i : {size_t{0}, size_t{1}, size_t{2}, size_t{3}}) {
        if (buffer[i] != kCanary || buffer[buffer.size() - 1 - i] != kCanary) return false;
    }
    return true;
}

// One C_VEMO_Hash call into a 20-byte window with four canary bytes on each side.
struct DigestCall {
    explicit DigestCall(const std::string& text, int32_t ignored = 0)
        : result(CHECKED_CALL(C_VEMO_Hash, ignored, reinterpret_cast<const uint8_t*>(text.data()),
                              static_cast<uint32_t>(text.size()), buffer.data() + 4, &length)) {}
    std::string hex() const { return Hex(buffer.data() + 4, 20); }

    std::vector<uint8_t> buffer = std::vector<uint8_t>(28, kCanary);
    uint32_t length = 0xDEADBEEF;
    int32_t result;
};

// One C_VEMO_GenerateRandom call for 64 bytes, with four canary bytes on each side.
struct RandomCall {
    RandomCall() : result(CHECKED_CALL(C_VEMO_GenerateRandom, buffer.data() + 4, 64u)) {}
    bool filled() const {
        return std::vector<uint8_t>(buffer.begin() + 4, buffer.end() - 4) != std::vector<uint8_t>(64, kCanary);
    }

    std::vector<uint8_t> buffer = std::vector<uint8_t>(72, kCanary);
    int32_t result;
};

TEST(Digest, KnownValues) {
    struct Case {
        const char* text;
        int32_t ignored;  // the first argument, never examined
        const char* digest;
    };
    const Case cases[] = {
        {"abc", 0, "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abc", -1, "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"", 0, "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 11, "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const DigestCall call(c.text, c.ignored);
        EXPECT_EQ(call.result, 0);
        EXPECT_EQ(call.length, 20u);
        EXPECT_EQ(call.hex(), c.digest);
        EXPECT_TRUE(CanariesIntact(call.buffer));
    }
}

TEST(Digest, MissingArgumentsAreRefused) {
    // The refusals return before any work: the stack must be balanced on that path too.
    uint8_t digest[20];
    uint32_t length = 7;
    const uint8_t data[] = {1, 2, 3};
    EXPECT_EQ(CHECKED_CALL(C_VEMO_Hash, 0, data, 3u, nullptr, &length), SPC_INPUTARG_ERROR_01);
    EXPECT_EQ(CHECKED_CALL(C_VEMO_Hash, 0, data, 3u, digest, nullptr), SPC_INPUTARG_ERROR_01);
    EXPECT_EQ(CHECKED_CALL(C_VEMO_Hash, 0, nullptr, 3u, digest, &length), SPC_INPUTARG_ERROR_01);
    EXPECT_EQ(length, 7u);
}

TEST(Digest, Sha2DigestsThroughSizedBuffers) {
    std::vector<uint8_t> buffer(72, kCanary);
    uint32_t length = 0;
    const auto* abc = reinterpret_cast<const uint8_t*>("abc");
    EXPECT_EQ(CHECKED_CALL(C_VEMO_HashEx, CVEMO_SHA512, abc, 3u, nullptr, &length), 0);  // the size asked
    EXPECT_EQ(length, 64u);
    length = 63;
    EXPECT_EQ(CHECKED_CALL(C_VEMO_HashEx, CVEMO_SHA512, abc, 3u, buffer.data() + 4, &length), E_BUFFER_TOO_SMALL);
    EXPECT_EQ(length, 64u);
    EXPECT_EQ(CHECKED_CALL(C_VEMO_HashEx, CVEMO_SHA256, abc, 3u, buffer.data() + 4, &length), 0);
    EXPECT_EQ(length, 32u);
    EXPECT_EQ(Hex(buffer.data() + 4, 32), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_TRUE(CanariesIntact(buffer));
    EXPECT_EQ(CHECKED_CALL(C_VEMO_HashEx, 0x8003u, abc, 3u, buffer.data() + 4, &length), E_ALGORITHM);
}

TEST(Digest, UnavailableDefaultProviderIsReturnedAndLogged) {
    ScopedWorkingDirectory directory;
    {
        DefaultProviderUnavailable unavailable;
        const DigestCall call("abc");
        EXPECT_EQ(static_cast<uint32_t>(call.result) & 0xFFFF0000u, 0x80090000u) << std::hex << call.result;
        EXPECT_EQ(call.length, 0xDEADBEEFu);
        EXPECT_EQ(call.buffer[4], kCanary);
    }
    if (!kWritesUserLog) {
        EXPECT_TRUE(ListFolder(directory.path()).empty()) << "only the token edition writes this failure down";
        return;
    }
    const std::string log = ReadFileBytes(TodaysUserLogName());
    const std::regex entry("\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2} "
                           "\\[ERROR\\]CryptAcquireContext is error,Error Code: 0x8009[0-9a-f]{4},Line \\d+\n\n");
    EXPECT_TRUE(std::regex_match(log, entry)) << log;
}

TEST(Random, FillsExactlyTheRequestedBytesAndIsTraced) {
    ScopedWorkingDirectory directory;
    const RandomCall first, second;
    EXPECT_EQ(first.result, 0);
    EXPECT_EQ(second.result, 0);
    EXPECT_TRUE(CanariesIntact(first.buffer));
    EXPECT_NE(first.buffer, second.buffer);
    if (!kWritesTrace) {
        EXPECT_TRUE(ListFolder(directory.path()).empty()) << "only the trace edition traces random bytes";
        return;
    }
    const std::string block =
        "========================================================\r\n"
        "\r\n\r\nProject Name: CVemoDLL_C Project - Date: \\d{1,2}/\\d{1,2}/\\d{4} - Time: \\d{2}h\\d{2}m\r\n"
        "\\*\\*\\*\\*\\* CryptAcquireContext OK\\. \r\n"
        "\\*\\*\\*\\*\\* CryptGenRandom OK\\. \r\n";
    const std::string trace = ReadFileBytes("CVemoDLL_Debug.txt");
    EXPECT_TRUE(std::regex_match(trace, std::regex("(" + block + "){2}"))) << trace;
}

TEST(Random, NullBufferIsRefusedAndZeroLengthWritesNothing) {
    uint8_t buffer[4] = {kCanary, kCanary, kCanary, kCanary};
    EXPECT_EQ(CHECKED_CALL(C_VEMO_GenerateRandom, nullptr, 16u), SPC_INPUTARG_ERROR_01);
    EXPECT_EQ(CHECKED_CALL(C_VEMO_GenerateRandom, buffer, 0u), 0);
    EXPECT_EQ(buffer[0], kCanary);
}

TEST(Random, TheTokenStandsInForAnUnavailableDefaultProvider) {
    // The token and trace editions return exactly what the token's generator returns; the
    // picker edition has no token and answers -1.
    struct Case {
        const char* token;
        bool plugged;
        uint32_t fault;  // the generator's injected failure; 0 for none
        int32_t expected;
    };
    const Case cases[] = {
        {"plugged in", true, 0, 0},
        {"failing generator", true, 0x0E00ABCD, 0x0E00ABCD},
        {"not plugged in", false, 0, UT_ERR_TOKEN_ABSENT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.token);
        ScopedWorkingDirectory directory;
        ScopedTokenStore store;
        if (c.plugged) {
            token::TokenImage image;
            if (c.fault != 0) image.setFault(token::FaultPoint::GenerateRandom, c.fault);
            store.plugIn(image);
        }
        DefaultProviderUnavailable unavailable;
        const RandomCall call;
        EXPECT_EQ(call.result, kUsesToken ? c.expected : -1);
        EXPECT_EQ(call.filled(), kUsesToken && c.expected == 0);
        EXPECT_TRUE(CanariesIntact(call.buffer));
    }
}

TEST(Binding, NamesAndOrdinalsLeadToTheBoundExports) {
    // The loader's view of the module this program was bound to: the token and trace editions
    // export the two decorated names and not the plain ones, the picker edition the plain ones.
    const HMODULE module = GetModuleHandleA("CVemoDll_C.dll");
    ASSERT_NE(module, nullptr);
    struct Export {
        const char* plain;
        const char* decorated;  // the stdcall decoration; exported only for the two named so
        bool decoratedInStdcallEditions;
        WORD ordinal[3];  // token, trace, picker
        const void* bound;  // the address the import library gave this program
    };
    const auto address = [](FARPROC proc) { return reinterpret_cast<const void*>(proc); };
    const auto bound = [](auto function) { return reinterpret_cast<const void*>(function); };
    const Export exports[] = {
        {"C_VEMO_FreePack", "_C_VEMO_FreePack@4", false, {1, 1, 1}, bound(&C_VEMO_FreePack)},
        {"C_VEMO_GetUserCert", "_C_VEMO_GetUserCert@24", false, {2, 2, 2}, bound(&C_VEMO_GetUserCert)},
        {"C_VEMO_GetCertInfo", "_C_VEMO_GetCertInfo@16", false, {3, 3, 3}, bound(&C_VEMO_GetCertInfo)},
        {"C_VEMO_VerifyUserCRL", "_C_VEMO_VerifyUserCRL@12", false, {4, 4, 4}, bound(&C_VEMO_VerifyUserCRL)},
        {"C_VEMO_VerifyUserCert", "_C_VEMO_VerifyUserCert@8", false, {5, 5, 5}, bound(&C_VEMO_VerifyUserCert)},
        {"C_VEMO_Sign", "_C_VEMO_Sign@32", false, {6, 6, 6}, bound(&C_VEMO_Sign)},
        {"C_VEMO_SignEx", "_C_VEMO_SignEx@36", false, {7, 7, 7}, bound(&C_VEMO_SignEx)},
        {"C_VEMO_VerifySign", "_C_VEMO_VerifySign@28", false, {8, 8, 8}, bound(&C_VEMO_VerifySign)},
        {"C_VEMO_GenerateRandom", "_C_VEMO_GenerateRandom@8", true, {12, 11, 9}, bound(&C_VEMO_GenerateRandom)},
        {"C_VEMO_Hash", "_C_VEMO_Hash@20", true, {13, 12, 10}, bound(&C_VEMO_Hash)},
        {"C_VEMO_HashEx", "_C_VEMO_HashEx@20", false, {20, 20, 20}, bound(&C_VEMO_HashEx)},
        {"C_VEMO_SignData", "_C_VEMO_SignData@28", false, {21, 21, 21}, bound(&C_VEMO_SignData)},
        {"C_VEMO_VerifyData", "_C_VEMO_VerifyData@28", false, {22, 22, 22}, bound(&C_VEMO_VerifyData)},
        {"C_VEMO_SignMessage", "_C_VEMO_SignMessage@32", false, {23, 23, 23}, bound(&C_VEMO_SignMessage)},
        {"C_VEMO_VerifyMessage", "_C_VEMO_VerifyMessage@32", false, {24, 24, 24}, bound(&C_VEMO_VerifyMessage)},
        {"C_VEMO_VerifyCertPath", "_C_VEMO_VerifyCertPath@24", false, {25, 25, 25}, bound(&C_VEMO_VerifyCertPath)},
    };
    for (const Export& e : exports) {
        SCOPED_TRACE(e.plain);
        const bool decorated = kUsesToken && e.decoratedInStdcallEditions;
        const char* name = decorated ? e.decorated : e.plain;
        const char* absent = decorated ? e.plain : e.decorated;
        EXPECT_EQ(address(GetProcAddress(module, name)), e.bound);
        EXPECT_EQ(address(GetProcAddress(module, absent)), nullptr);
        EXPECT_EQ(address(GetProcAddress(module, MAKEINTRESOURCEA(e.ordinal[static_cast<int>(kEdition)]))), e.bound);
    }
}

TEST(MessageVerification, SizedVerifiedAndRefusedOnceChanged) {
    const std::string text = "a message for a 32-bit client";
    std::vector<uint8_t> message = PlatformSignedMessage("user1024", text, szOID_NIST_sha256);
    const auto size = static_cast<uint32_t>(message.size());
    uint32_t contentLength = 0, certificateLength = 0;  // the sizes asked, then exactly those given
    ASSERT_EQ(CHECKED_CALL(C_VEMO_VerifyMessage, message.data(), size, nullptr, 0u, nullptr, &contentLength, nullptr,
                           &certificateLength), 0);
    std::string content(contentLength, '\0'), certificate(++certificateLength, '\0');
    EXPECT_EQ(CHECKED_CALL(C_VEMO_VerifyMessage, message.data(), size, nullptr, 0u,
                           reinterpret_cast<uint8_t*>(content.data()), &contentLength, certificate.data(),
                           &certificateLength), 0);
    EXPECT_EQ(content, text);
    EXPECT_EQ(certificate.c_str(), OneLinePem(FixtureBytes("user1024.crt.der")));

    message[std::string(message.begin(), message.end()).find(text)] ^= 1;
    EXPECT_EQ(CHECKED_CALL(C_VEMO_VerifyMessage, message.data(), size, nullptr, 0u, nullptr, nullptr, nullptr, nullptr),
              E_VERIFY_ERROR);
}

TEST(ExampleClient, RunsThroughTheImportLibrary) {
    testing::internal::CaptureStdout();
    const int status = vemo_example_client_main();
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(status, 0) << printed;
    EXPECT_NE(printed.find("client: ok"), std::string::npos) << printed;
}

}  // namespace
}  // namespace vemo::test
