// C_VEMO_Sign_P7 and C_VEMO_VerifySign_P7 through the edition under test (the token and trace
// editions; the picker edition has neither): the software token in every shape and with every
// provider call made to fail, what a message holds, changed and malformed messages, the bounds
// of both buffers, the trace edition's trace block and message box, the handles a thousand
// calls leave, and messages exchanged with openssl (--p7-interop, see
// tests/interop/signed-message-openssl.sh). C_VEMO_VerifyMessage (every edition) on the same
// messages, and on the platform's own signer's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "support/edition_under_test.h"
#include "support/process_handles.h"
#include "support/scoped_environment.h"
#include "support/store_fixture.h"
#include "support/signing_fixture.h"
#include "support/test_token.h"
#include "support/token_callers.h"
#include "support/token_fixture.h"
#include "token/provision/container_import.h"

namespace vemo::test {
namespace {

using token::Container;
using token::TokenImage;

constexpr uint8_t kCanary = 0xCC;
constexpr int32_t kLeftByCaller = 0x12345678;
// "被签名数据原文：" in GBK (the original text of the signed data): the trace edition's box
// shows it before the content.
constexpr char kContentCaption[] = "\xb1\xbb\xc7\xa9\xc3\xfb\xca\xfd\xbe\xdd\xd4\xad\xce\xc4\xa3\xba";

struct Signed {
    int32_t result = 0;
    int32_t length = kLeftByCaller;
    Bytes message;
};

// C_VEMO_Sign_P7 over `text` into a buffer of the header's bound for it, filled with canaries: a
// failure writes nothing, a success its length and not one byte past it.
Signed SignText(const std::string& text) {
    Bytes buffer(CVEMO_P7_MESSAGE_MAX(text.size()), kCanary);
    Signed made;
    made.result = Edition().signP7(text.c_str(), buffer.data(), &made.length);
    if (made.result != 0) {
        EXPECT_EQ(made.length, kLeftByCaller);
    } else {
        EXPECT_TRUE(made.length > 0 && static_cast<size_t>(made.length) <= buffer.size()) << made.length;
    }
    const size_t written = made.result == 0 ? std::min(static_cast<size_t>(made.length), buffer.size()) : 0;
    EXPECT_TRUE(std::all_of(buffer.begin() + written, buffer.end(), [](uint8_t b) { return b == kCanary; }))
        << "written past the message";
    made.message.assign(buffer.begin(), buffer.begin() + written);
    return made;
}

struct Verified {
    int32_t result = 0;
    std::vector<std::wstring> boxes;
};

// C_VEMO_VerifySign_P7 on `length` bytes at `message`, the trace edition's boxes answered.
Verified VerifyBytes(const uint8_t* message, const uint32_t* length) {
    MessageBoxWatcher watcher;
    Verified verified;
    verified.result = Edition().verifySignP7(message, length);
    verified.boxes = watcher.texts();
    return verified;
}

Verified VerifyMessage(const Bytes& message) {
    const auto length = static_cast<uint32_t>(message.size());
    return VerifyBytes(message.data(), &length);
}

// C_VEMO_VerifyMessage with room for both outputs (a content is never longer than its message,
// a certificate's text than the message's Base64); the bad-input matrix checks the buffers' edges.
struct MessageVerified {
    int32_t result = 0;
    Bytes content;
    std::string certificate;
};

MessageVerified VerifyMessageEx(const Bytes& message, const std::optional<Bytes>& detached = std::nullopt) {
    Bytes content(message.size());
    std::string certificate(message.size() * 4 / 3 + 64, '\0');
    auto contentLength = static_cast<uint32_t>(content.size()), certificateLength = static_cast<uint32_t>(certificate.size());
    MessageVerified verified;
    verified.result = Edition().verifyMessage(message.data(), static_cast<uint32_t>(message.size()),
                                              detached ? detached->data() : nullptr,
                                              detached ? static_cast<uint32_t>(detached->size()) : 0, content.data(),
                                              &contentLength, certificate.data(), &certificateLength);
    if (verified.result == 0) {
        verified.content.assign(content.begin(), content.begin() + std::min<size_t>(contentLength, content.size()));
        verified.certificate = certificate.c_str();  // up to its zero
        EXPECT_EQ(verified.certificate.size(), certificateLength);
    }
    return verified;
}

// The boxes a verified `content` shows: one in the trace edition, none in the others.
std::vector<std::wstring> BoxesFor(const std::string& content) {
    if (Edition().kind() != EditionKind::Trace) return {};
    return {AsShown((kContentCaption + content).c_str())};
}

// A trace line with "%d" standing for any number, as a pattern.
std::string TracePattern(const std::string& line) {
    std::string pattern;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line.compare(i, 2, "%d") == 0) {
            pattern += "-?\\d+";
            ++i;
            continue;
        }
        if (std::strchr("\\^$.|?*+()[]{}", line[i]) != nullptr) pattern += '\\';
        pattern += line[i];
    }
    return pattern;
}

// What one signing call wrote down in the current directory: the token edition's log entries,
// the trace edition's one block of these lines, nothing in the picker edition.
void ExpectRecorded(const std::vector<std::string>& messages, const std::vector<std::string>& traceLines) {
    if (!Edition().writesTrace()) return ExpectWrittenDown(messages);
    std::string pattern =
        "========================================================\r\n"
        "\r\n\r\nProject Name: CVemoDLL_C Project - Date: \\d{1,2}/\\d{1,2}/\\d{4} - Time: \\d{2}h\\d{2}m\r\n";
    for (const std::string& line : traceLines) pattern += TracePattern(line) + "\r\n";
    const std::string trace = ReadFileBytes("CVemoDLL_Debug.txt");
    EXPECT_TRUE(std::regex_match(trace, std::regex(pattern))) << trace;
}

// The trace lines of a message of `length` bytes made.
std::vector<std::string> MadeLines(int32_t length) {
    const std::string size = std::to_string(length);
    return {"***** CryptSignMessage OK.  cbSignedMessageBlob= " + size + ",Line %d",
            "***** CryptSignMessage ok.  g_cbSignedMessageBlob= " + size + ",Line %d"};
}

// Containers of the test PKI's users, made once per run.
const Container& UserContainer(const std::string& user, uint32_t keySpec = token::kKeyExchange) {
    static std::map<std::pair<std::string, uint32_t>, Container> made;
    auto found = made.find({user, keySpec});
    if (found == made.end()) found = made.emplace(std::pair{user, keySpec}, FixtureContainer(user, user, keySpec)).first;
    return found->second;
}

TokenImage UserToken(const std::string& user = "user1024", uint32_t keySpec = token::kKeyExchange) {
    return TokenOf({ContainerWithoutKey("*default*"), UserContainer(user, keySpec)});
}

class SignedMessage : public testing::Test {
protected:
    void SetUp() override {
        if (!Edition().usesToken()) GTEST_SKIP() << "the picker edition has no PKCS#7 exports";
    }
    ScopedWorkingDirectory directory;
    ScopedTokenStore token;
};

TEST_F(SignedMessage, EveryTokenShapeAndProviderFault) {
    const char* const kAcquire = "CryptAcquireContext is error,Error Code: E_CTN_NO_EXIST";
    const char* const kListing = "CryptGetProvParam is error,Error Code: E_CTN_NO_EXIST";
    const char* const kUserKey = "CryptGetUserKey is error,Error Code: E_NO_SPEC_KEYS";
    const char* const kKeyParameter = "CryptGetKeyParam is error,Error Code: E_ENCROLL_CERT_NO_FIND";
    const char* const kSignMessage = "CryptSignMessage is error,Error Code: -1";
    const char* const kAcquireLine = "***** CryptAcquireContext fails. Line %d";
    const char* const kListingLine = "***** CryptGetProvParam fails.  Line %d";
    const char* const kUserKeyLine = "***** CryptGetUserKey fails. Line %d";
    const char* const kKeyParameterLine = "***** CryptGetKeyParam fails.  Line %d";
    const char* const kSizeLine = "***** CryptSignMessage fails.  cbSignedMessageBlob= %d,errorcode =%d,Line %d";
    const auto user = [] { return UserToken(); };
    using token::FaultPoint;
    struct Case {
        const char* what;
        std::function<TokenImage()> token;  // none: no token plugged in
        std::optional<FaultPoint> fault;
        int32_t result;
        const char* message;
        const char* traceLine;  // none: the trace block's header alone
    } cases[] = {
        {"no token", nullptr, {}, E_CTN_NO_EXIST, kAcquire, kAcquireLine},
        {"only the pseudo-containers",
         [] { return TokenOf({ContainerWithoutKey("*default*"), ContainerWithoutKey("*defalut*")}); }, {},
         E_CTN_NO_EXIST, kListing, kListingLine},
        {"a container without key", [] { return TokenOf({ContainerWithoutKey("empty")}); }, {}, E_NO_SPEC_KEYS,
         kUserKey, kUserKeyLine},
        {"a key without certificate",
         [] {
             Container container = UserContainer("user1024");
             container.certificate.clear();
             return TokenOf({container});
         },
         {}, E_ENCROLL_CERT_NO_FIND, kKeyParameter, kKeyParameterLine},
        {"a certificate that does not decode",
         [] {
             Container container = UserContainer("user1024");
             container.certificate = {0x30, 0x03, 0x02, 0x01, 0x05};
             return TokenOf({container});
         },
         {}, E_CERT_DATA_ERROR, "CertCreateCertificateContext is error,Error Code: E_CERT_DATA_ERROR", nullptr},
        {"the provider does not open", user, FaultPoint::ProviderOpen, E_CTN_NO_EXIST, kAcquire, kAcquireLine},
        {"the listing fails", user, FaultPoint::ProviderEnumContainers, E_CTN_NO_EXIST, kListing, kListingLine},
        {"the container does not open", user, FaultPoint::ProviderOpenContainer, E_CTN_NO_EXIST, kAcquire,
         kAcquireLine},
        {"no user key", user, FaultPoint::ProviderGetUserKey, E_NO_SPEC_KEYS, kUserKey, kUserKeyLine},
        {"no certificate", user, FaultPoint::ProviderGetCertificate, E_ENCROLL_CERT_NO_FIND, kKeyParameter,
         kKeyParameterLine},
        // The platform hashes and signs inside the size query already.
        {"no MD5 hash", user, FaultPoint::ProviderCreateHash, E_FAILED, kSignMessage, kSizeLine},
        {"hashing fails", user, FaultPoint::ProviderHashData, E_FAILED, kSignMessage, kSizeLine},
        {"no signature length", user, FaultPoint::ProviderSignHashLength, E_FAILED, kSignMessage, kSizeLine},
        {"signing fails", user, FaultPoint::ProviderSignHash, E_FAILED, kSignMessage, kSizeLine},
    };
    {  // what stays after the first message, the first failure written down, the first trace
        SCOPED_TRACE("warm up");
        ScopedWorkingDirectory log;
        token.plugIn(UserToken());
        ASSERT_EQ(SignText("warm up").result, 0);
        DeleteFileA(token.path().c_str());
        ASSERT_EQ(SignText("warm up").result, E_CTN_NO_EXIST);
    }
    const DWORD handles = HandleCount();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedWorkingDirectory log;
        DeleteFileA(token.path().c_str());
        if (c.token) {
            TokenImage image = c.token();
            if (c.fault) image.setFault(*c.fault, 0x8009F00D);
            token.plugIn(image);
        }
        EXPECT_EQ(SignText("data").result, c.result);
        ExpectRecorded({c.message}, c.traceLine ? std::vector<std::string>{c.traceLine} : std::vector<std::string>{});
        EXPECT_FALSE(ProviderLoaded()) << "a context of the token's provider was left open";
    }
    EXPECT_EQ(HandleCount(), handles);
}

TEST_F(SignedMessage, WhatAMessageHolds) {
    Container both = UserContainer("signer", token::kKeySignature);
    both.name = "both";
    const Container& exchange = UserContainer("user1024");
    both.secondKey = token::KeyPair{token::kKeyExchange, exchange.protectedKey, exchange.publicKey, exchange.certificate};
    struct Case {
        const char* what;
        Container container;
        std::string text;
    } cases[] = {
        {"an exchange key", UserContainer("user1024"), "signed as a PKCS#7 message"},
        {"a signature key only", UserContainer("signer", token::kKeySignature), "signed with the signature key"},
        {"both keys: the exchange key signs", both, "the exchange key first"},
        {"the empty text: one zero byte", UserContainer("user2048"), ""},
        {"bytes of the ANSI code page", UserContainer("user1024"), "\xd6\xd0\xce\xc4 \xe9t\xe9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedWorkingDirectory log;
        token.plugIn(TokenOf({ContainerWithoutKey("*default*"), c.container}));
        const Signed made = SignText(c.text);
        ASSERT_EQ(made.result, 0);
        ExpectRecorded({}, MadeLines(made.length));

        // It verifies only with the key that signed matching the certificate it carries, and
        // its content is the text with its zero byte. Its other parts are openssl's to check
        // (MessageInterop.MessagesForOpenssl).
        Bytes content;
        EXPECT_TRUE(MessageVerifies(made.message, content)) << "the platform's own check";
        EXPECT_EQ(content, Bytes(c.text.c_str(), c.text.c_str() + c.text.size() + 1));

        const Verified verified = VerifyMessage(made.message);
        EXPECT_EQ(verified.result, 0);
        EXPECT_EQ(verified.boxes, BoxesFor(c.text));
        ExpectRecorded({}, MadeLines(made.length));  // verifying writes nothing down

        // The library's own reading: the same content, and the signer's certificate (the
        // exchange key signs where there are both).
        const MessageVerified read = VerifyMessageEx(made.message);
        EXPECT_EQ(read.result, 0);
        EXPECT_EQ(read.content, content);
        EXPECT_EQ(read.certificate,
                  OneLinePem(c.container.secondKey ? c.container.secondKey->certificate : c.container.certificate));
    }
}

TEST_F(SignedMessage, AnyChangedByteOfContentOrSignatureFails) {
    token.plugIn(UserToken());
    const std::string text = "every byte counts";
    const Signed made = SignText(text);
    ASSERT_EQ(made.result, 0);
    // The content, its zero included, and the signature value: the last 128 bytes (1024 bits).
    const auto content = std::search(made.message.begin(), made.message.end(), text.begin(), text.end());
    ASSERT_NE(content, made.message.end());
    std::vector<size_t> changed;
    for (size_t i = 0; i <= text.size(); ++i) changed.push_back(static_cast<size_t>(content - made.message.begin()) + i);
    for (size_t i = made.message.size() - 128; i < made.message.size(); ++i) changed.push_back(i);
    int accepted = 0;
    for (size_t at : changed) {
        Bytes message = made.message;
        message[at] ^= 0x01;
        const Verified verified = VerifyMessage(message);
        if (verified.result != E_FAILED || !verified.boxes.empty()) ++accepted;
    }
    EXPECT_EQ(accepted, 0) << "of " << changed.size() << " changed messages";
    EXPECT_EQ(VerifyMessage(made.message).result, 0);
}

TEST_F(SignedMessage, ArgumentsAndMalformedMessages) {
    // Signing: nothing given, nothing written.
    uint8_t buffer[16];
    int32_t length = kLeftByCaller;
    std::memset(buffer, kCanary, sizeof buffer);
    EXPECT_EQ(Edition().signP7(nullptr, buffer, &length), E_ERROR_DATA);
    EXPECT_EQ(Edition().signP7("text", nullptr, &length), E_ERROR_DATA);
    EXPECT_EQ(Edition().signP7("text", buffer, nullptr), E_ERROR_DATA);
    EXPECT_EQ(length, kLeftByCaller);
    EXPECT_TRUE(std::all_of(std::begin(buffer), std::end(buffer), [](uint8_t b) { return b == kCanary; }));
    const std::string input = "C_VEMO_Sign_P7 input data is error,Error Code: E_ERROR_DATA";
    ExpectWrittenDown({input, input, input});  // and no trace block in the trace edition
    DeleteFileA(TodaysUserLogName().c_str());

    // Verifying: each refused with -1, showing nothing.
    token.plugIn(UserToken());
    const Signed made = SignText("a good message");
    ASSERT_EQ(made.result, 0);
    DeleteFileA("CVemoDLL_Debug.txt");
    const Bytes certificate = UserContainer("user1024").certificate;
    const auto size = static_cast<uint32_t>(made.message.size());
    const uint32_t zero = 0, shortened = size - 1;
    const auto certificateSize = static_cast<uint32_t>(certificate.size());
    const std::string refused = "C_VEMO_VerifySign_P7 input data is error,Error Code: -1";
    const std::string failed = "CryptVerifyMessageSignature is error,Error Code: -1";
    struct Case {
        const char* what;
        const uint8_t* message;
        const uint32_t* length;
        std::string logged;
    } cases[] = {
        {"no message", nullptr, &size, refused},
        {"no length", made.message.data(), nullptr, refused},
        {"length 0", made.message.data(), &zero, refused},  // over 8192 bytes: MessagesOfUpTo8192BytesVerify
        {"the message cut short", made.message.data(), &shortened, failed},
        {"a certificate, not a message", certificate.data(), &certificateSize, failed},
    };
    std::vector<std::string> logged;
    for (const Case& c : cases) {
        const Verified verified = VerifyBytes(c.message, c.length);
        EXPECT_EQ(verified.result, E_FAILED) << c.what;
        EXPECT_TRUE(verified.boxes.empty()) << c.what;
        logged.push_back(c.logged);
    }
    ExpectWrittenDown(logged);
}

TEST_F(SignedMessage, MessagesOfUpTo8192BytesVerify) {
    token.plugIn(UserToken());
    // A text that makes the message exactly 8192 bytes: its length counts one for one (every
    // length field already takes two bytes).
    std::string text(7000, 't');
    const Signed probe = SignText(text);
    ASSERT_EQ(probe.result, 0);
    text.resize(text.size() + CVEMO_P7_VERIFY_MAX - probe.message.size(), 't');
    text.back() = '.';
    for (const auto& [extra, result] : {std::pair{"", 0}, {"!", static_cast<int>(E_FAILED)}}) {
        const Signed made = SignText(text + extra);
        ASSERT_EQ(made.result, 0);
        EXPECT_EQ(made.message.size(), CVEMO_P7_VERIFY_MAX + std::strlen(extra));
        const Verified verified = VerifyMessage(made.message);
        EXPECT_EQ(verified.result, result) << made.message.size() << " bytes";
        // The box shows the whole content and nothing after it.
        EXPECT_EQ(verified.boxes, result == 0 ? BoxesFor(text) : std::vector<std::wstring>{});
    }
}

// A certificate of exactly `size` bytes for the RSAPublicKey `publicKey`, signed by a key of its
// own: its issuer, a long common name that the message's signer identifier repeats, takes what
// the key leaves.
Bytes CertificateOfSize(const Bytes& publicKey, size_t size) {
    win::ProviderContext system;
    win::CryptKey issuerKey;
    EXPECT_TRUE(CryptAcquireContextA(system.put(), nullptr, MS_ENHANCED_PROV_A, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
                CryptGenKey(system.get(), AT_SIGNATURE, 512 << 16, issuerKey.put()));
    BYTE subject[64];
    DWORD subjectSize = sizeof subject;
    EXPECT_TRUE(CertStrToNameA(X509_ASN_ENCODING, "CN=Vemo Largest", CERT_X500_NAME_STR, nullptr, subject,
                               &subjectSize, nullptr));
    BYTE serial[20];
    std::fill(std::begin(serial), std::end(serial), 0x5A);
    BYTE nullParameters[] = {0x05, 0x00};
    Bytes certificate;
    for (size_t issuerLength = 1000, pass = 0; pass < 4 && certificate.size() != size; ++pass) {
        const std::string issuerText = "CN=" + std::string(issuerLength, 'i');
        Bytes issuer(issuerLength + 64);
        DWORD issuerSize = static_cast<DWORD>(issuer.size());
        EXPECT_TRUE(CertStrToNameA(X509_ASN_ENCODING, issuerText.c_str(), CERT_X500_NAME_STR, nullptr, issuer.data(),
                                   &issuerSize, nullptr));
        CERT_INFO info{};
        info.dwVersion = CERT_V1;
        info.SerialNumber = {sizeof serial, serial};
        info.SignatureAlgorithm.pszObjId = const_cast<char*>(szOID_RSA_SHA1RSA);
        info.Issuer = {issuerSize, issuer.data()};
        info.Subject = {subjectSize, subject};
        info.NotBefore = {0, 0x01C00000};
        info.NotAfter = {0, 0x02000000};
        info.SubjectPublicKeyInfo.Algorithm = {const_cast<char*>(szOID_RSA_RSA), {sizeof nullParameters, nullParameters}};
        info.SubjectPublicKeyInfo.PublicKey = {static_cast<DWORD>(publicKey.size()), const_cast<BYTE*>(publicKey.data()), 0};
        certificate.assign(8192, 0);
        DWORD encoded = static_cast<DWORD>(certificate.size());
        EXPECT_TRUE(CryptSignAndEncodeCertificate(system.get(), AT_SIGNATURE, X509_ASN_ENCODING, X509_CERT_TO_BE_SIGNED,
                                                  &info, &info.SignatureAlgorithm, nullptr, certificate.data(), &encoded));
        certificate.resize(encoded);
        issuerLength += size - encoded;  // the length fields keep their size near the target
    }
    EXPECT_EQ(certificate.size(), size);
    return certificate;
}

TEST_F(SignedMessage, TheLargestCertificateAndKeyStayWithinTheBound) {
    if (Edition().kind() != EditionKind::Token) GTEST_SKIP() << "edition-independent: checked once";
    const Bytes certificate = CertificateOfSize(FixtureBytes("largest.pub.der"), CVEMO_P7_CERTIFICATE_MAX);
    const token::provision::ImportResult largest = token::provision::ContainerFromKeyFiles(
        FixtureBytes("largest.key.pem"), certificate, {"largest", token::kKeyExchange});
    ASSERT_TRUE(largest.container) << largest.error;
    token.plugIn(TokenOf({*largest.container}));
    const Signed made = SignText("");  // into a buffer of the bound, canaries after it
    ASSERT_EQ(made.result, 0);
    Bytes content;
    EXPECT_TRUE(MessageVerifies(made.message, content));
    std::printf("[report] PKCS#7 bound: a 16384-bit key and a %d-byte certificate make a message of %d bytes for the "
                "empty text; CVEMO_P7_MESSAGE_MAX(0) is %d\n",
                CVEMO_P7_CERTIFICATE_MAX, made.length, CVEMO_P7_MESSAGE_MAX(0));
}

TEST_F(SignedMessage, AThousandMessagesAndVerificationsLeaveNoHandleBehind) {
    token.plugIn(UserToken());
    MessageBoxWatcher watcher;  // the trace edition's boxes, one per verification
    const auto cycle = [&](int i) {
        const std::string text = "cycle " + std::to_string(i);
        const Signed made = SignText(text);
        const auto length = static_cast<uint32_t>(made.message.size());
        return made.result == 0 && Edition().verifySignP7(made.message.data(), &length) == 0;
    };
    const auto [failures, kept] = HandlesKeptByCycles(1000, cycle);
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(kept, 0u);
    EXPECT_FALSE(ProviderLoaded()) << "a context of the token's provider was left open";
    std::printf("[report] handles: %s edition, 1,000 PKCS#7 messages and verifications keep %lu\n",
                Edition().name().c_str(), static_cast<unsigned long>(kept));
}

// With openssl on the other side (tests/interop/signed-message-openssl.sh): what openssl signed
// verifies here, and messages made here are left for openssl to check.
class MessageInterop : public SignedMessage {
protected:
    void SetUp() override {
        SignedMessage::SetUp();
        if (MessageInteropFolder().empty()) GTEST_SKIP() << "no --p7-interop folder";
    }
    std::string InFolder(const std::string& path) { return MessageInteropFolder() + "\\" + path; }
};

TEST_F(MessageInterop, OpensslMessagesVerifyHere) {
    // Each message openssl signed (its content carries no terminating zero), through both
    // verifications. The platform's own reads no message of two signers, no text, no detached
    // content, and under Wine no signer named by key identifier; the library's reads them all. A content changed after signing is refused by both,
    // signed attributes or not (the platform alone would take the one with attributes).
    const int32_t kFailed = E_FAILED, kRefused = E_VERIFY_ERROR;
    const struct {
        const char* name;
        const char* signer;  // whose certificate comes back; null: either of two
        bool detached;
        int32_t p7, message;  // C_VEMO_VerifySign_P7, C_VEMO_VerifyMessage
    } cases[] = {
        {"md5-noattr", "user1024", false, 0, 0},
        {"sha1-attrs", "user2048", false, 0, 0},
        {"sha256-attrs", "user1024", false, 0, 0},
        {"sha384-keyid", "signer", false, kFailed, 0},  // Wine's finds no signer named by key identifier
        {"sha512-attrs", "user2048", false, 0, 0},
        {"sha256-noattr", "user2048", false, 0, 0},
        {"two-signers", nullptr, false, kFailed, 0},
        {"sha256-detached", "user1024", true, kFailed, 0},
        {"sha256-streamed", "user2048", false, 0, 0},
        {"sha1-pem", "user1024", false, kFailed, 0},
        {"large", "user1024", false, kFailed, 0},  // 16 MB: over the 8192 bytes of C_VEMO_VerifySign_P7
        {"changed-content", nullptr, false, kFailed, kRefused},
        {"changed-attrs", nullptr, false, kFailed, kRefused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = ReadFileBytes(InFolder("from-openssl\\" + std::string(c.name) + ".p7"));
        const std::string content = ReadFileBytes(InFolder("from-openssl\\" + std::string(c.name) + ".content"));
        ASSERT_FALSE(text.empty());
        const Bytes message(text.begin(), text.end()), signedContent(content.begin(), content.end());

        const Verified verified = VerifyMessage(message);
        EXPECT_EQ(verified.result, c.p7);
        EXPECT_EQ(verified.boxes, c.p7 == 0 ? BoxesFor(content) : std::vector<std::wstring>{});

        const MessageVerified read = VerifyMessageEx(message, c.detached ? std::optional(signedContent) : std::nullopt);
        EXPECT_EQ(read.result, c.message);
        if (read.result != 0) continue;
        EXPECT_EQ(read.content, c.detached ? Bytes() : signedContent);
        if (c.signer) {
            EXPECT_EQ(read.certificate, OneLinePem(FixtureBytes(std::string(c.signer) + ".crt.der")));
        }
        if (c.detached) {  // and with another content beside it
            EXPECT_EQ(VerifyMessageEx(message, Bytes(content.begin(), content.end() - 1)).result, kRefused);
        }
    }
}

// Messages the platform's own signer makes (what C_VEMO_SignMessage will write: signed attributes
// and SHA-2), each digest with and without attributes, attached and detached, verify; with a
// changed content they do not, and each refusal is written down where the edition writes.
TEST(MessageVerification, ThePlatformsMessagesVerify) {
    ScopedWorkingDirectory directory;
    const std::string text = "signed by the platform";
    const Bytes content(text.begin(), text.end());
    Bytes changed = content;
    changed[0] ^= 1;
    for (const char* digest : {szOID_RSA_MD5, szOID_OIWSEC_sha1, szOID_NIST_sha256, szOID_NIST_sha384, szOID_NIST_sha512}) {
        for (const bool attributes : {true, false}) {
            for (const bool detached : {false, true}) {
                SCOPED_TRACE(std::string(digest) + (attributes ? " with attributes" : "") + (detached ? ", detached" : ""));
                Bytes message = PlatformSignedMessage("user2048", text, digest, attributes, detached);
                ASSERT_FALSE(message.empty());
                const MessageVerified read = VerifyMessageEx(message, detached ? std::optional(content) : std::nullopt);
                EXPECT_EQ(read.result, 0);
                EXPECT_EQ(read.content, detached ? Bytes() : content);
                EXPECT_EQ(read.certificate, OneLinePem(FixtureBytes("user2048.crt.der")));
                if (detached) {
                    EXPECT_EQ(VerifyMessageEx(message, changed).result, E_VERIFY_ERROR);
                } else {
                    const auto at = std::search(message.begin(), message.end(), content.begin(), content.end());
                    ASSERT_NE(at, message.end());
                    *at ^= 1;
                    EXPECT_EQ(VerifyMessageEx(message).result, E_VERIFY_ERROR);
                }
            }
        }
    }
    // With attributes the library's comparison refuses, without them the signature: 10 each,
    // written down where the edition writes.
    if (Edition().kind() == EditionKind::Picker) {
        EXPECT_TRUE(ListFolder(directory.path()).empty());
        return;
    }
    const std::string written = ReadFileBytes(Edition().writesTrace() ? "CVemoDLL_Debug.txt" : TodaysUserLogName());
    for (const auto& [step, code] : {std::pair{"CheckMessageDigest", "0xfffffece"}, {"CryptVerifySignature", "0x80090006"}}) {
        const std::string line = Edition().writesTrace()
                                     ? "***** " + std::string(step) + " fails. Error Code: " + code + ", Line "
                                     : "[ERROR]" + std::string(step) + " is error,Error Code: " + code + ",Line ";
        size_t count = 0;
        for (size_t at = written.find(line); at != std::string::npos; at = written.find(line, at + 1)) ++count;
        EXPECT_EQ(count, 10u) << line << "\n" << written;
    }
}

// C_VEMO_SignMessage in every edition, with inter-user's key (the token's, or the personal
// store's from its key file in a provider without SHA-2) and its intermediate in "CA": the size
// query's bound holds the message, a buffer of exactly its length takes it (one byte less is
// told the bound), and the message
// verifies with C_VEMO_VerifyMessage and (DER) with the platform's own verification, carries the
// signing time, and with CVEMO_MSG_CHAIN the intermediate beside the signer (not the root).
TEST(MessageSigning, EveryFormVerifiesAndHoldsWhatItShould) {
    ScopedWorkingDirectory directory;
    ScopedTokenStore token;
    std::optional<PersonalCertificate> personal;
    const ScopedStoreEntry intermediate("CA", "intermediate.crt.der");
    if (Edition().usesToken()) token.plugIn(UserToken("inter-user"));
    else personal.emplace("inter-user");
    const Bytes signingTime = {0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x05};
    const struct {
        uint32_t algorithm, flags;
        size_t size;
        DWORD certificates;
    } cases[] = {
        {CVEMO_SHA256, 0, 40, 1},
        {CVEMO_SHA1, CVEMO_MSG_DETACHED, 40, 1},
        {CVEMO_SHA384, CVEMO_MSG_PEM, 40, 1},
        {CVEMO_SHA512, CVEMO_MSG_CHAIN | CVEMO_MSG_DETACHED | CVEMO_MSG_PEM, 40, 2},
        {CVEMO_SHA256, CVEMO_MSG_CHAIN, 0, 2},  // empty data: an empty content, carried
        {CVEMO_SHA256, 0, 16u << 20, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.algorithm) + " flags " + std::to_string(c.flags) + " size " + std::to_string(c.size));
        const Bytes data(c.size, 'm');
        const bool pem = (c.flags & CVEMO_MSG_PEM) != 0, detached = (c.flags & CVEMO_MSG_DETACHED) != 0;
        uint32_t bound = 0;
        ASSERT_EQ(Edition().signMessage(c.algorithm, c.flags, 1, "2001", data.data(), static_cast<uint32_t>(c.size),
                                        nullptr, &bound),
                  0);
        Bytes message(bound + 1);
        uint32_t length = static_cast<uint32_t>(message.size());
        ASSERT_EQ(Edition().signMessage(c.algorithm, c.flags, 1, "2001", data.data(), static_cast<uint32_t>(c.size),
                                        message.data(), &length),
                  0);
        EXPECT_LE(length, bound);
        uint32_t exact = length + (pem ? 1 : 0);  // a text's capacity holds its zero
        EXPECT_EQ(Edition().signMessage(c.algorithm, c.flags, 1, "2001", data.data(), static_cast<uint32_t>(c.size),
                                        message.data(), &exact),
                  0);
        EXPECT_EQ(exact, length);
        uint32_t shorter = pem ? length : length - 1;  // one byte short: told the bound
        EXPECT_EQ(Edition().signMessage(c.algorithm, c.flags, 1, "2001", data.data(), static_cast<uint32_t>(c.size),
                                        message.data(), &shorter),
                  E_BUFFER_TOO_SMALL);
        EXPECT_EQ(shorter, bound);
        message.resize(length);

        const MessageVerified read = VerifyMessageEx(message, detached ? std::optional(data) : std::nullopt);
        EXPECT_EQ(read.result, 0);
        EXPECT_EQ(read.content, detached ? Bytes() : data);
        EXPECT_EQ(read.certificate, OneLinePem(FixtureBytes("inter-user.crt.der")));
        // The text's DER, read as the platform reads armoured Base64.
        Bytes der = message;
        if (pem) {
            DWORD size = 0;
            const std::string text(message.begin(), message.end());
            ASSERT_TRUE(CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr));
            der.resize(size);
            ASSERT_TRUE(CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr));
            der.resize(size);
        }
        EXPECT_NE(std::search(der.begin(), der.end(), signingTime.begin(), signingTime.end()), der.end());
        CRYPT_VERIFY_MESSAGE_PARA parameters{sizeof parameters, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING};
        const BYTE* parts[] = {data.data()};
        DWORD partSizes[] = {static_cast<DWORD>(c.size)};
        EXPECT_TRUE(detached ? CryptVerifyDetachedMessageSignature(&parameters, 0, der.data(), static_cast<DWORD>(der.size()),
                                                                   1, parts, partSizes, nullptr)
                             : CryptVerifyMessageSignature(&parameters, 0, der.data(), static_cast<DWORD>(der.size()),
                                                           nullptr, nullptr, nullptr))
            << GetLastError();
        const win::CertStore carried(CryptGetMessageCertificates(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, 0,
                                                                 der.data(), static_cast<DWORD>(der.size())));
        DWORD count = 0;
        for (PCCERT_CONTEXT at = nullptr; (at = CertEnumCertificatesInStore(carried.get(), at)) != nullptr;) ++count;
        EXPECT_EQ(count, c.certificates);
    }
    if (!Edition().writesTrace()) ExpectWrittenDown({});  // (the trace edition traces every verification)
}

TEST_F(MessageInterop, MessagesForOpenssl) {
    if (Edition().kind() != EditionKind::Token) GTEST_SKIP() << "the token edition's run leaves them";
    struct Case {
        const char* name;
        const char* user;
        uint32_t keySpec;
        const char* text;
    } cases[] = {
        {"exchange-key", "user1024", token::kKeyExchange, "signed by the library with an exchange key"},
        {"signature-key", "signer", token::kKeySignature, "signed by the library with a signature key"},
        {"empty-text", "user2048", token::kKeyExchange, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        token.plugIn(UserToken(c.user, c.keySpec));
        const Signed made = SignText(c.text);
        ASSERT_EQ(made.result, 0);
        const std::string path = InFolder("from-library\\" + std::string(c.name));
        std::ofstream(path + ".p7", std::ios::binary)
            .write(reinterpret_cast<const char*>(made.message.data()), made.length);
        std::ofstream(path + ".text", std::ios::binary) << c.text;
        const Bytes& certificate = UserContainer(c.user, c.keySpec).certificate;
        std::ofstream(path + ".cer", std::ios::binary)
            .write(reinterpret_cast<const char*>(certificate.data()), static_cast<std::streamsize>(certificate.size()));
    }
}

}  // namespace
}  // namespace vemo::test
