// C_VEMO_SignEx and C_VEMO_Sign through the edition under test: the token editions with the
// software token in every shape and with every provider call made to fail, the picker edition
// with certificates of the personal store; and the key choice C_VEMO_SignData shares with them.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/dialog_driver.h"
#include "support/edition_under_test.h"
#include "support/process_handles.h"
#include "support/scoped_environment.h"
#include "support/signing_fixture.h"
#include "support/store_fixture.h"
#include "support/test_token.h"
#include "support/token_callers.h"
#include "support/token_fixture.h"
#include "token/store/token_image.h"

namespace vemo::test {
namespace {

using token::Container;
using token::TokenImage;

// Serial texts of the test PKI's users, as the token editions write them: serial numbers of even
// length (2 and 16 bytes) most significant byte first, of odd length (3 and 17) in the
// platform's order.
const std::map<std::string, std::string> kTokenSerialText = {
    {"user1024", "3A1B2C3D4E5F60718293A4B5C6D7E8F9"},
    {"user2048", "4B3A291807F6E5D4C3B2A19F7D5C3B8E00"},
    {"signer", "0102"},
    {"plain", "030201"},
};

// Containers of the test PKI's users, made once per run (importing a key takes a while).
const Container& UserContainer(const std::string& user, uint32_t keySpec = token::kKeyExchange) {
    static std::map<std::pair<std::string, uint32_t>, Container> made;
    auto found = made.find({user, keySpec});
    if (found == made.end()) found = made.emplace(std::pair{user, keySpec}, FixtureContainer(user, user, keySpec)).first;
    return found->second;
}

Container Named(Container container, const std::string& name) {
    container.name = name;
    return container;
}

// A container of `first`'s key that holds `second`'s key as its second one.
Container BothKeys(const std::string& first, uint32_t firstSpec, const std::string& second) {
    Container container = Named(UserContainer(first, firstSpec), "both");
    const uint32_t secondSpec = firstSpec == token::kKeyExchange ? token::kKeySignature : token::kKeyExchange;
    const Container& other = UserContainer(second, secondSpec);
    container.secondKey = token::KeyPair{secondSpec, other.protectedKey, other.publicKey, other.certificate};
    return container;
}

// C_VEMO_SignData (SHA-256) over `text`, into a buffer of the largest signature.
struct DataSignature {
    int32_t result = 0;
    Bytes value;
};
DataSignature SignDataOf(int32_t mode, const char* selector, const std::string& text) {
    DataSignature made;
    made.value.assign(2048, 0);
    uint32_t length = static_cast<uint32_t>(made.value.size());
    made.result = Edition().signData(CVEMO_SHA256, mode, selector, reinterpret_cast<const uint8_t*>(text.data()),
                                     static_cast<uint32_t>(text.size()), made.value.data(), &length);
    made.value.resize(made.result == 0 ? length : 0);
    return made;
}

// Whether the test PKI user's certificate verifies the signature (C_VEMO_VerifyData, which the
// interop tests check against openssl).
bool SignedBy(const DataSignature& made, const std::string& text, const std::string& user) {
    return made.result == 0 && VerifyDataWith(FixtureBytes(user + ".crt.der"), text, made.value, CVEMO_SHA256) == 0;
}

class TokenSignature : public testing::Test {
protected:
    void SetUp() override {
        if (!Edition().usesToken()) GTEST_SKIP() << "the picker edition signs with personal certificates";
    }
    ScopedWorkingDirectory directory;
    ScopedTokenStore token;
};

TEST_F(TokenSignature, TheTokensShapes) {
    const std::string text = "signed with the token";
    struct Shape {
        const char* what;
        std::function<TokenImage()> token;  // none: no token plugged in
        int32_t result;
        std::string messageOrSigner;  // the failure's message, or the user whose key signs
    } shapes[] = {
        {"no token", nullptr, E_CTN_NO_EXIST, "CryptAcquireContext is error,Error Code: E_CTN_NO_EXIST"},
        {"an empty token", [] { return TokenImage{}; }, E_CTN_NO_EXIST,
         "CryptGetProvParam is error,Error Code: E_CTN_NO_EXIST"},
        {"only the pseudo-containers", [] { return TokenOf({ContainerWithoutKey("*default*"), ContainerWithoutKey("*defalut*")}); },
         E_CTN_NO_EXIST, "CryptGetProvParam is error,Error Code: E_CTN_NO_EXIST"},
        {"names beginning with the pseudo-names, then a user",
         [] { return TokenOf({ContainerWithoutKey("*default*-2"), ContainerWithoutKey("*defalut*x"), UserContainer("user1024")}); }, 0,
         "user1024"},
        {"a container without key", [] { return TokenOf({ContainerWithoutKey("*default*"), ContainerWithoutKey("empty")}); },
         E_NO_SPEC_KEYS, "CryptGetUserKey is error,Error Code: E_NO_SPEC_KEYS"},
        {"a key without certificate",
         [] {
             Container container = UserContainer("user1024");
             container.certificate.clear();
             return TokenOf({container});
         },
         E_ENCROLL_CERT_NO_FIND, "CryptGetKeyParam is error,Error Code: E_ENCROLL_CERT_NO_FIND"},
        {"a certificate that does not decode",
         [] {
             Container container = UserContainer("user1024");
             container.certificate = {0x30, 0x03, 0x02, 0x01, 0x05};
             return TokenOf({container});
         },
         E_CERT_DATA_ERROR, "CertCreateCertificateContext is error,Error Code: E_CERT_DATA_ERROR"},
        {"an exchange key only", [] { return TokenOf({ContainerWithoutKey("*default*"), UserContainer("user1024")}); }, 0,
         "user1024"},
        {"a signature key only", [] { return TokenOf({UserContainer("signer", token::kKeySignature)}); }, 0,
         "signer"},
        {"both keys: the exchange key signs",
         [] { return TokenOf({BothKeys("user1024", token::kKeyExchange, "signer")}); }, 0, "user1024"},
        {"both keys, the signature key listed first: the exchange key signs",
         [] { return TokenOf({BothKeys("signer", token::kKeySignature, "user1024")}); }, 0, "user1024"},
        {"the first of two users", [] { return TokenOf({UserContainer("user2048"), UserContainer("user1024")}); },
         0, "user2048"},
        {"a serial number of three bytes", [] { return TokenOf({UserContainer("plain")}); }, 0, "plain"},
        {"a name of 251 characters takes the suffix",
         [] { return TokenOf({Named(UserContainer("user1024"), std::string(251, 'n'))}); }, 0, "user1024"},
        {"a key whose signatures do not fit the record (2432 bits)",
         [] { return TokenOf({ContainerFor("large", Identity(AT_KEYEXCHANGE, 2432))}); }, E_SIGN_ERROR,
         "CryptSignHash get sign len is error,Error Code: E_SIGN_ERROR"},
        {"a name of 252 characters is passed over",
         [] {
             return TokenOf({Named(UserContainer("user2048"), std::string(252, 'n')), UserContainer("user1024")});
         },
         0, "user1024"},
    };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.what);
        ScopedWorkingDirectory log;
        if (shape.token) token.plugIn(shape.token());
        const Signed made = SignText(text);
        EXPECT_EQ(made.result, shape.result);
        if (shape.result == 0) {
            ExpectSignedBy(made, text, shape.messageOrSigner, kTokenSerialText.at(shape.messageOrSigner));
            ExpectWrittenDown({});
        } else {
            ExpectUntouchedRecord(made.record);
            ExpectWrittenDown({shape.messageOrSigner});
        }
        DeleteFileA(token.path().c_str());
    }
}

TEST_F(TokenSignature, EveryProviderCallThatFails) {
    struct Fault {
        token::FaultPoint point;
        int32_t result;
        const char* message;
    } faults[] = {
        {token::FaultPoint::ProviderOpen, E_CTN_NO_EXIST, "CryptAcquireContext is error,Error Code: E_CTN_NO_EXIST"},
        {token::FaultPoint::ProviderEnumContainers, E_CTN_NO_EXIST,
         "CryptGetProvParam is error,Error Code: E_CTN_NO_EXIST"},
        {token::FaultPoint::ProviderOpenContainer, E_CTN_NO_EXIST,
         "CryptAcquireContext is error,Error Code: E_CTN_NO_EXIST"},
        {token::FaultPoint::ProviderGetUserKey, E_NO_SPEC_KEYS, "CryptGetUserKey is error,Error Code: E_NO_SPEC_KEYS"},
        {token::FaultPoint::ProviderGetCertificate, E_ENCROLL_CERT_NO_FIND,
         "CryptGetKeyParam is error,Error Code: E_ENCROLL_CERT_NO_FIND"},
        {token::FaultPoint::ProviderCreateHash, E_SIGN_ERROR,
         "CryptHashData get sign len is error,Error Code: E_SIGN_ERROR"},
        {token::FaultPoint::ProviderHashData, E_SIGN_ERROR, "CryptHashData is error,Error Code: E_SIGN_ERROR"},
        {token::FaultPoint::ProviderSignHashLength, E_SIGN_ERROR,
         "CryptSignHash get sign len is error,Error Code: E_SIGN_ERROR"},
        {token::FaultPoint::ProviderSignHash, E_SIGN_ERROR, "CryptSignHash is error,Error Code: E_SIGN_ERROR"},
    };
    SignText("warm up");  // what stays loaded after the first call
    const DWORD handles = HandleCount();
    for (const Fault& fault : faults) {
        SCOPED_TRACE(token::FaultPointName(fault.point));
        ScopedWorkingDirectory log;
        TokenImage image = TokenOf({ContainerWithoutKey("*default*"), UserContainer("user1024")});
        image.setFault(fault.point, 0x8009F00D);
        token.plugIn(image);
        const Signed made = SignText("data");
        EXPECT_EQ(made.result, fault.result);
        ExpectUntouchedRecord(made.record);
        ExpectWrittenDown({fault.message});
        EXPECT_FALSE(ProviderLoaded()) << "a context of the token's provider was left open";
    }
    EXPECT_EQ(HandleCount(), handles);
}

TEST_F(TokenSignature, SerialNumbersUpTo24Bytes) {
    // The user's key signs; the certificate stored with it carries the serial number.
    for (const auto& [bytes, result] : {std::pair{24u, 0}, {25u, static_cast<int>(E_SIGN_ERROR)}}) {
        SCOPED_TRACE(bytes);
        ScopedWorkingDirectory log;
        Container container = UserContainer("user1024");
        container.certificate = CertificateWithSerial(bytes);
        token.plugIn(TokenOf({container}));
        const Signed made = SignText("data");
        EXPECT_EQ(made.result, result);
        if (result == 0) {
            EXPECT_EQ(SerialOf(made.record).size(), 48u);
        } else {
            ExpectUntouchedRecord(made.record);
            ExpectWrittenDown({"Serial Number is error,Error Code: E_SIGN_ERROR"});
        }
    }
}

TEST_F(TokenSignature, SignDataChoosesTheKeyBySerialNumber) {
    // A user's container, then one with an exchange key and a signature key, each with its
    // certificate: the serial number, most significant byte first, chooses the key.
    token.plugIn(TokenOf({ContainerWithoutKey("*default*"), UserContainer("user2048"),
                          BothKeys("user1024", token::kKeyExchange, "signer")}));
    const struct {
        const char* selector;
        int32_t result;
        const char* signer;
    } cases[] = {
        {nullptr, 0, "user2048"},  // as C_VEMO_SignEx: the first real container
        {"", 0, "user2048"},
        {"008E3B5C7D9FA1B2C3D4E5F60718293A4B", 0, "user2048"},  // odd length: not the record's order
        {"3a1b2c3d4e5f60718293a4b5c6d7e8f9", 0, "user1024"},
        {"0102", 0, "signer"},  // the second container's signature key
        {"0103", E_ENCROLL_CERT_NO_FIND, nullptr},
        {"4B3A291807F6E5D4C3B2A19F7D5C3B8E00", E_ENCROLL_CERT_NO_FIND, nullptr},
    };
    const std::string text = "signed with a chosen key";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.selector ? c.selector : "(null)");
        ScopedWorkingDirectory log;
        const DataSignature made = SignDataOf(7, c.selector, text);  // the mode is not examined
        EXPECT_EQ(made.result, c.result);
        if (c.result == 0) {
            EXPECT_TRUE(SignedBy(made, text, c.signer));
            ExpectReported({}, {});
        } else {
            ExpectReported({"Serial Number is error,Error Code: E_ENCROLL_CERT_NO_FIND"},
                           {"Serial Number is error,Error Code: 0xfffffe00"});
        }
    }
    // C_VEMO_SignMessage chooses, and reports, with the same piece.
    ScopedWorkingDirectory log;
    uint32_t length = 0;
    EXPECT_EQ(Edition().signMessage(CVEMO_SHA256, 0, 7, "0103", nullptr, 0, nullptr, &length), E_ENCROLL_CERT_NO_FIND);
    ExpectReported({"Serial Number is error,Error Code: E_ENCROLL_CERT_NO_FIND"},
                   {"Serial Number is error,Error Code: 0xfffffe00"});
}

TEST(RawSignature, TheDataLengthMustBeTheTexts) {
    ScopedWorkingDirectory directory;
    const std::string text = "twelve bytes";
    for (int32_t length : {11, 13, 0, -1}) {
        const Signed made = SignText(text, 0, nullptr, length);
        EXPECT_EQ(made.result, SPC_INPUTARG_ERROR_01) << length;
        ExpectUntouchedRecord(made.record);
    }
    CVEMO_SIGNATURE_RECORD record{};
    EXPECT_EQ(Edition().signEx(0, nullptr, nullptr, 0, &record), SPC_INPUTARG_ERROR_01);
    EXPECT_EQ(Edition().signEx(0, nullptr, "x", 1, nullptr), SPC_INPUTARG_ERROR_01);
    ExpectWrittenDown({});
}

// Signing with a key of the edition's source: the token's container, or a personal certificate
// remembered by a selection by serial number.
class EditionKey {
public:
    EditionKey() {
        if (Edition().usesToken()) {
            token_.plugIn(TokenOf({ContainerWithoutKey("*default*"), UserContainer("user1024")}));
        } else {
            personal_ = std::make_unique<PersonalCertificate>("user1024");
            EXPECT_EQ(SignText("choose", 1, "3A1B2C3D4E5F60718293A4B5C6D7E8F9").result, 0);
        }
    }

private:
    ScopedTokenStore token_;
    std::unique_ptr<PersonalCertificate> personal_;
};

TEST(RawSignature, TheShortFormIsSignExInModeZero) {
    EditionKey key;
    const std::string text = "the same text";
    const Signed full = SignText(text);
    Signed shortForm;
    std::memset(&shortForm.record, 0xCC, sizeof shortForm.record);
    shortForm.result = Edition().sign("ignored", text.c_str(), static_cast<int32_t>(text.size()), &shortForm.record);
    ASSERT_EQ(full.result, 0);
    EXPECT_EQ(shortForm.result, 0);
    EXPECT_EQ(std::memcmp(&full.record, &shortForm.record, sizeof full.record), 0);
    ExpectSignedBy(full, text, "user1024", "3A1B2C3D4E5F60718293A4B5C6D7E8F9");
}

TEST(RawSignature, AThousandSignaturesAndVerificationsLeaveNoHandleBehind) {
    EditionKey key;
    const Bytes certificate = FixtureBytes("user1024.crt.der");
    const auto cycle = [&](int i) {
        const std::string text = "cycle " + std::to_string(i);
        const Signed made = SignText(text);
        return made.result == 0 && VerifyWith(certificate, text, made.record) == 0;
    };
    const auto [failures, kept] = HandlesKeptByCycles(1000, cycle);
    EXPECT_EQ(failures, 0);
    if (Edition().usesToken()) {
        EXPECT_EQ(kept, 0u);
        EXPECT_FALSE(ProviderLoaded());
        std::printf("[report] handles: %s edition, 1,000 signatures and verifications keep %lu\n",
                    Edition().name().c_str(), static_cast<unsigned long>(kept));
        return;
    }
    // The picker edition opens the certificate's key container through the platform each
    // time; Wine 8's provider keeps a handle for every opening of a named container, so the
    // library may keep exactly what 1,000 such openings of its own keep, and nothing more.
    const win::CertStore personal(CertOpenSystemStoreA(0, "MY"));
    const win::CertificateContext chosen(CertFindCertificateInStore(
        personal.get(), X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_STR_A, "Vemo User 1024", nullptr));
    ASSERT_TRUE(chosen);
    const DWORD before = HandleCount();
    for (int i = 0; i < 1000; ++i) {
        HCRYPTPROV context = 0;
        DWORD keySpec = 0;
        BOOL callerFrees = FALSE;
        ASSERT_TRUE(CryptAcquireCertificatePrivateKey(chosen.get(), CRYPT_ACQUIRE_USE_PROV_INFO_FLAG, nullptr,
                                                      &context, &keySpec, &callerFrees));
        if (callerFrees) CryptReleaseContext(context, 0);
    }
    const DWORD platformKeeps = HandleCount() - before;
    EXPECT_EQ(kept, platformKeeps);
    std::printf("[report] handles: picker edition, 1,000 signatures and verifications keep %lu; 1,000 key "
                "openings of the platform alone keep %lu\n",
                static_cast<unsigned long>(kept), static_cast<unsigned long>(platformKeeps));
}

class PersonalSignature : public testing::Test {
protected:
    void SetUp() override {
        if (Edition().usesToken()) GTEST_SKIP() << "the token editions sign with the token";
        ForgetTheChosenCertificate();
    }
    // A certificate without private key, chosen by subject: the message box, -2, and the chosen
    // certificate forgotten.
    void ForgetTheChosenCertificate() {
        MessageBoxWatcher watcher;
        EXPECT_EQ(SignText("x", 2, "Vemo Root B User").result, -2);
        noKeyBoxes = watcher.texts();
    }
    std::vector<std::wstring> noKeyBoxes;
    ScopedWorkingDirectory directory;
    PersonalCertificate plain{"plain"};
    PersonalCertificate user1024{"user1024"};
    PersonalCertificate signer{"signer", KeySource::Pfx};
    PersonalCertificate withoutKey{"root-b-user", KeySource::None};
};

TEST_F(PersonalSignature, ByTheSerialNumberOrTheSubject) {
    const std::string text = "signed with a personal certificate";
    struct Case {
        int32_t mode;
        const char* selector;
        int32_t result;
        const char* signer = nullptr;
        const char* serial = nullptr;
    } cases[] = {
        {1, "010203", 0, "plain", "010203"},
        {1, "3a1b2c3d4e5f60718293a4b5c6d7e8f9", 0, "user1024", "3A1B2C3D4E5F60718293A4B5C6D7E8F9"},
        {1, "0102", 0, "signer", "0102"},  // its key imported from its PFX file
        {1, "0103", E_ENCROLL_CERT_NO_FIND},
        {1, "", SPC_INPUTARG_ERROR_01},
        {1, nullptr, SPC_INPUTARG_ERROR_01},
        {2, "Vemo Plain User", 0, "plain", "010203"},
        {2, "No Such Subject", E_ENCROLL_CERT_NO_FIND},
        {2, "", SPC_INPUTARG_ERROR_01},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode) + " " + (c.selector ? c.selector : "(null)"));
        const Signed made = SignText(text, c.mode, c.selector);
        EXPECT_EQ(made.result, c.result);
        if (c.result == 0) {
            ExpectSignedBy(made, text, c.signer, c.serial);
        } else {
            ExpectUntouchedRecord(made.record);
        }
    }
    ExpectWrittenDown({});
}

TEST_F(PersonalSignature, SignDataChoosesAsSignExDoes) {
    // Keys of the system's RSA provider without SHA-2 (from a key file) and from a PFX file:
    // SHA-256 through the AES-capable provider.
    const std::string text = "SHA-256 with a personal certificate";
    const struct {
        int32_t mode;
        const char* selector;
        int32_t result;
        const char* signer;
    } cases[] = {
        {1, "010203", 0, "plain"},
        {0, nullptr, 0, "plain"},  // the one chosen just before
        {2, "Vemo User 1024", 0, "user1024"},
        {1, "0102", 0, "signer"},
        {1, "0103", E_ENCROLL_CERT_NO_FIND, nullptr},
        {1, nullptr, SPC_INPUTARG_ERROR_01, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode) + " " + (c.selector ? c.selector : "(null)"));
        const DataSignature made = SignDataOf(c.mode, c.selector, text);
        EXPECT_EQ(made.result, c.result);
        if (c.result == 0) {
            EXPECT_TRUE(SignedBy(made, text, c.signer));
        }
    }
    MessageBoxWatcher watcher;
    EXPECT_EQ(SignDataOf(2, "Vemo Root B User", text).result, -2);
    EXPECT_EQ(watcher.texts().size(), 1u);
    ExpectWrittenDown({});
}

TEST_F(PersonalSignature, AChosenCertificateIsRemembered) {
    const Signed first = SignText("first", 2, "Vemo User 1024");
    ASSERT_EQ(first.result, 0);
    // Mode 0 and the short form sign with it, showing nothing.
    MessageBoxWatcher watcher;
    ExpectSignedBy(SignText("then", 0), "then", "user1024", "3A1B2C3D4E5F60718293A4B5C6D7E8F9");
    Signed shortForm;
    shortForm.result = Edition().sign(nullptr, "short", 5, &shortForm.record);
    ExpectSignedBy(shortForm, "short", "user1024", "3A1B2C3D4E5F60718293A4B5C6D7E8F9");
    // A later choice replaces it.
    ASSERT_EQ(SignText("again", 1, "010203").result, 0);
    ExpectSignedBy(SignText("then", 7), "then", "plain", "010203");
    EXPECT_TRUE(watcher.texts().empty());
}

TEST_F(PersonalSignature, ACertificateWithoutPrivateKey) {
    // SetUp chose it: one box with the message, and -2.
    ASSERT_EQ(noKeyBoxes.size(), 1u);
    EXPECT_EQ(noKeyBoxes[0], AsShown("\xb8\xc3\xd6\xa4\xca\xe9\xc3\xbb\xd3\xd0\xc6\xa5\xc5\xe4\xb5\xc4\xcb\xbd\xd4\xbf!"));
    // Nothing is remembered now: the dialog mode asks the user again (here, who cancels).
    MessageBoxWatcher watcher;
    bool shown = false;
    const Signed made = WithPerson(
        [&](DialogDriver& person) {
            shown = person.WaitForDialog();
            if (shown) person.Press(IDCANCEL);
        },
        [] { return SignText("x", 0); });
    EXPECT_TRUE(shown);
    EXPECT_EQ(made.result, E_SIGN_ERROR);
    ExpectUntouchedRecord(made.record);
    EXPECT_TRUE(watcher.texts().empty());
}

// A certificate the signature refuses is forgotten, so the dialog mode asks again instead of
// failing until the process ends; a refusal forgets only the certificate it refused.
TEST_F(PersonalSignature, ARefusedCertificateIsForgottenAndOnlyIt) {
    // In "MY" for this test: a serial number over 24 bytes, a key above 2400 bits (neither fits the
    // record; neither certificate needs a private key to be refused).
    const Der longSerial = MadeCertificate(L"CN=Vemo Long Serial", Der(25, 0x11));
    const Der largeKey = MadeCertificate(L"CN=Vemo Large Key", {0x07}, CERT_V3, L"", FixtureBytes("largest.pub.der"));
    const struct {
        const char* name;
        int32_t mode;
        std::string selector;
        int32_t result;
        bool chooseAnotherMeanwhile;  // by serial number, while the refusal's message box is up
    } rows[] = {
        {"a serial number over 24 bytes", 1, std::string(50, '1'), E_SIGN_ERROR, false},
        {"a key above 2400 bits", 2, "Vemo Large Key", E_SIGN_ERROR, false},
        {"no private key", 2, "Vemo Root B User", -2, false},
        {"no private key, another chosen meanwhile", 2, "Vemo Root B User", -2, true},
    };
    ScopedStoreContents my("MY", {longSerial, largeKey, FixtureBytes("root-b-user.crt.der")});
    PersonalCertificate signerByKeyFile{"signer"};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Signed refused;
        bool asked = false;
        WithPerson(
            [&](DialogDriver& person) {
                person.AnswerMessageBox(row.result == -2 ? 10000 : 0, [&] {
                    if (row.chooseAnotherMeanwhile) {
                        EXPECT_EQ(SignText("meanwhile", 1, "0102").result, 0);
                    }
                });
            },
            [&] { return refused = SignText("x", row.mode, row.selector.c_str()); });
        EXPECT_EQ(refused.result, row.result);
        // Dialog mode: the certificate chosen meanwhile signs; a forgotten one leaves the dialog
        // to ask (here, a person who cancels).
        const Signed next = WithPerson(
            [&](DialogDriver& person) {
                asked = person.WaitForDialog();
                if (asked) person.Press(IDCANCEL);
            },
            [] { return SignText("next", 0); });
        EXPECT_EQ(asked, !row.chooseAnotherMeanwhile);
        if (row.chooseAnotherMeanwhile) {
            ExpectSignedBy(next, "next", "signer", "0102");
        } else {
            EXPECT_EQ(next.result, E_SIGN_ERROR);
        }
        ForgetTheChosenCertificate();
    }
}

}  // namespace
}  // namespace vemo::test
