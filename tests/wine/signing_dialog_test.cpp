// The picker edition's signing dialog, used as a person would on the display: shown by
// C_VEMO_SignEx and C_VEMO_Sign only while no certificate is chosen, what each click, key and
// closing makes them answer, and what is remembered afterwards.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <optional>
#include <thread>
#include <string>
#include <vector>

#include "picker/dialog_resources.h"
#include "support/dialog_driver.h"
#include "support/edition_under_test.h"
#include "support/process_handles.h"
#include "support/scoped_environment.h"
#include "support/signing_fixture.h"
#include "support/store_fixture.h"

namespace vemo::test {
namespace {

// "未选择证书!" (no certificate selected) and "该证书没有匹配的私钥!" (no matching private key),
// as the library stores them (GBK).
const std::string kNoneSelected = "\xCE\xB4\xD1\xA1\xD4\xF1\xD6\xA4\xCA\xE9!";
const std::string kNoPrivateKey = "\xB8\xC3\xD6\xA4\xCA\xE9\xC3\xBB\xD3\xD0\xC6\xA5\xC5\xE4\xB5\xC4\xCB\xBD\xD4\xBF!";

// What the person saw and what the export answered.
struct Outcome {
    bool shown = false;
    DialogView view{};
    std::vector<std::string> messages;
    bool openAfterMessages = true;
    Signed made;
};

// A mode-0 signature of `text` while `act` uses the dialog (if one comes); message boxes are
// answered, and a dialog still open after them is cancelled.
Outcome SignInDialogMode(const std::string& text, const std::function<void(DialogDriver&)>& act,
                         bool shortForm = false) {
    Outcome outcome;
    outcome.made = WithPerson(
        [&](DialogDriver& person) {
            outcome.shown = person.WaitForDialog();
            if (!outcome.shown) return;
            outcome.view = person.Read();
            act(person);
            for (std::string box; !(box = person.AnswerMessageBox(outcome.messages.empty() ? 5000 : 1000)).empty();) {
                outcome.messages.push_back(box);
            }
            if (!outcome.messages.empty() && person.stillOpen()) person.Press(IDCANCEL);
        },
        [&] {
            if (!shortForm) return SignText(text, 0);
            Signed made;
            made.result = Edition().sign(nullptr, text.c_str(), static_cast<int32_t>(text.size()), &made.record);
            return made;
        });
    return outcome;
}

class SigningDialog : public testing::Test {
protected:
    void SetUp() override {
        if (Edition().usesToken()) GTEST_SKIP() << "the picker edition's dialog";
        Forget();
    }
    // Chooses the certificate without private key by its subject: -2, and nothing is remembered.
    static void Forget() {
        MessageBoxWatcher watcher;
        EXPECT_EQ(SignText("x", 2, "Vemo Root B User").result, -2);
    }
    ScopedWorkingDirectory directory;
    ScopedStoreContents onlyThese{"MY", {}};
    PersonalCertificate plain{"plain"};
    PersonalCertificate user1024{"user1024"};
    PersonalCertificate signer{"signer", KeySource::Pfx};
    PersonalCertificate withoutKey{"root-b-user", KeySource::None};
};

TEST_F(SigningDialog, ShowsItsTemplateOnceAndSignsWithTheChoiceFromThenOn) {
    const Outcome first = SignInDialogMode("first", [](DialogDriver& person) {
        person.Screenshot("signing-dialog");
        person.Press(IDOK);
    });
    ASSERT_TRUE(first.shown);
    // Sign "签名", "请选择您的证书：" (please select your certificate:).
    ExpectTemplateLayout(first.view, VEMO_IDC_SIGNING_LIST, L"\x7b7e\x540d",
                         L"\x8bf7\x9009\x62e9\x60a8\x7684\x8bc1\x4e66\xff1a", 77);
    EXPECT_EQ(first.view.entries,
              std::vector<std::string>({"Vemo Plain User", "Vemo Root B User", "Vemo Signer", "Vemo User 1024"}));
    EXPECT_EQ(first.view.selected, 0);
    ExpectSignedBy(first.made, "first", "plain", "010203");
    // The choice is remembered: no dialog for the next call, nor for the short form.
    for (const bool shortForm : {false, true}) {
        const Outcome next = SignInDialogMode("next", [](DialogDriver& person) { person.Press(IDOK); }, shortForm);
        EXPECT_FALSE(next.shown);
        ExpectSignedBy(next.made, "next", "plain", "010203");
    }
    // A choice by serial number replaces it, and mode 0 signs with that one without a dialog.
    ASSERT_EQ(SignText("by serial", 1, "3A1B2C3D4E5F60718293A4B5C6D7E8F9").result, 0);
    const Outcome after = SignInDialogMode("after", [](DialogDriver& person) { person.Press(IDOK); });
    EXPECT_FALSE(after.shown);
    ExpectSignedBy(after.made, "after", "user1024", "3A1B2C3D4E5F60718293A4B5C6D7E8F9");
}

TEST_F(SigningDialog, WhatThePersonDoesDecidesTheSignature) {
    const struct {
        const char* name;
        std::function<void(DialogDriver&)> act;
        int32_t result;
        const char* signer = nullptr;  // the test PKI user, and its serial text
        const char* serial = nullptr;
        std::vector<std::string> messages = {};
    } cases[] = {
        {"a click on the fourth entry, a mouse click on Sign",
         [](DialogDriver& d) { d.ClickEntry(3); d.ClickControl(IDOK); }, 0, "user1024",
         "3A1B2C3D4E5F60718293A4B5C6D7E8F9"},
        {"a click on the third entry, Sign (its key from a PFX file)",
         [](DialogDriver& d) { d.ClickEntry(2); d.Press(IDOK); }, 0, "signer", "0102"},
        {"Enter", [](DialogDriver& d) { d.Key(VK_RETURN); }, 0, "plain", "010203"},
        {"Cancel", [](DialogDriver& d) { d.Press(IDCANCEL); }, E_SIGN_ERROR},
        {"Escape", [](DialogDriver& d) { d.Key(VK_ESCAPE); }, E_SIGN_ERROR},
        {"the window closed", [](DialogDriver& d) { d.Close(); }, E_SIGN_ERROR},
        {"a certificate without private key", [](DialogDriver& d) { d.ClickEntry(1); d.Press(IDOK); }, -2, nullptr,
         nullptr, {kNoPrivateKey}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        Forget();
        const Outcome outcome = SignInDialogMode("chosen", row.act);
        ASSERT_TRUE(outcome.shown);
        EXPECT_EQ(outcome.messages, row.messages);
        if (row.result == 0) {
            ExpectSignedBy(outcome.made, "chosen", row.signer, row.serial);
        } else {
            EXPECT_EQ(outcome.made.result, row.result);
            ExpectUntouchedRecord(outcome.made.record);
        }
        // Only a signature made leaves a certificate chosen; otherwise the dialog comes again.
        const Outcome next = SignInDialogMode("next", [](DialogDriver& person) { person.Press(IDCANCEL); });
        EXPECT_EQ(next.shown, row.result != 0);
    }
}

TEST_F(SigningDialog, StoreContentsAndWhatSignFindsInThem) {
    // Its display name comes from the alternative name, which the subject does not contain.
    const Der nameless = MadeCertificate(L"C=CN", {0x03}, CERT_V3, L"nameless@vemo.test");
    // Its subject contains "Vemo Signer"; it comes first in the store and has no private key.
    const Der admin = MadeCertificate(L"CN=Vemo Signer Admin", {0x04});
    const struct {
        const char* name;
        std::vector<Der> my;
        const char* withKey;  // a test PKI user added after them with its key, or nullptr
        std::vector<std::string> entries;
        std::vector<std::string> messages;
        int32_t result;
    } cases[] = {
        {"an empty store", {}, nullptr, {}, {kNoneSelected}, E_SIGN_ERROR},  // the dialog, still open, cancelled
        // The picked certificate itself, found by no name: it has no private key.
        {"a name the subject does not contain", {nameless}, nullptr, {"nameless@vemo.test"}, {kNoPrivateKey}, -2},
        {"a name inside another's, picked", {admin}, "signer", {"Vemo Signer", "Vemo Signer Admin"}, {}, 0},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        ScopedStoreContents my("MY", row.my);
        std::optional<PersonalCertificate> withKey;
        if (row.withKey != nullptr) withKey.emplace(row.withKey);
        const Outcome outcome = SignInDialogMode("x", [](DialogDriver& person) { person.Press(IDOK); });
        ASSERT_TRUE(outcome.shown);
        EXPECT_EQ(outcome.view.entries, row.entries);
        EXPECT_EQ(outcome.view.selected, row.entries.empty() ? LB_ERR : 0);
        EXPECT_EQ(outcome.messages, row.messages);
        if (row.result == 0) {  // the last row: what it leaves remembered, the next test's SetUp forgets
            ExpectSignedBy(outcome.made, "x", row.withKey, "0102");
            continue;
        }
        EXPECT_EQ(outcome.made.result, row.result);
        ExpectUntouchedRecord(outcome.made.record);  // no marker
        const Outcome next = SignInDialogMode("next", [](DialogDriver& person) { person.Press(IDCANCEL); });
        EXPECT_TRUE(next.shown) << "nothing is remembered";
    }
}

// Two dialog-mode calls at once: the second waits for the first one's dialog and signs with the
// certificate picked there; only one dialog is shown.
TEST_F(SigningDialog, ASecondCallWaitsForTheDialogAndTakesItsChoice) {
    Signed second;
    std::atomic<bool> secondDone{false};
    const Outcome first = SignInDialogMode("first", [&](DialogDriver& person) {
        std::thread other([&] {
            second = SignText("second", 0);
            secondDone = true;
        });
        Sleep(500);  // the second call is waiting by now
        person.ClickEntry(3);
        person.Press(IDOK);
        for (int waited = 0; !secondDone && waited < 100; ++waited) Sleep(50);
        if (!secondDone && person.WaitForDialog()) person.Press(IDCANCEL);  // a second dialog: wrong
        other.join();
    });
    ExpectSignedBy(first.made, "first", "user1024", "3A1B2C3D4E5F60718293A4B5C6D7E8F9");
    ExpectSignedBy(second, "second", "user1024", "3A1B2C3D4E5F60718293A4B5C6D7E8F9");
}

}  // namespace
}  // namespace vemo::test

namespace vemo::test {
namespace {

// A private copy of the picker edition loaded for one test: its own remembered certificate.
class LibraryCopy {
public:
    LibraryCopy() {
        wchar_t folder[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, folder);
        path_ = std::wstring(folder) + L"CVemoDll_C-copy-" + std::to_wstring(GetCurrentProcessId()) + L".dll";
        CopyFileW(Edition().dllPath().c_str(), path_.c_str(), FALSE);
    }
    ~LibraryCopy() { DeleteFileW(path_.c_str()); }
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

// The handles a load of the copy leaves behind after signing by serial number, then either
// forgetting the certificate (a subject without private key) or keeping it until the unload.
DWORD HandlesLeftBehind(const LibraryCopy& copy, bool forget) {
    const DWORD before = HandleCount();
    {
        tool::LibraryBinding library(copy.path());
        CVEMO_SIGNATURE_RECORD record{};
        EXPECT_EQ(library.signEx(1, "010203", "x", 1, &record), 0);
        if (forget) {
            MessageBoxWatcher watcher;
            EXPECT_EQ(library.signEx(2, "Vemo Root B User", "x", 1, &record), -2);
        }
    }
    return HandleCount() - before;
}

// Calls that overlap on several threads, each choosing by serial number and then signing with
// the remembered certificate: every call succeeds with one of the two certificates.
TEST_F(SigningDialog, OverlappingCallsShareTheRememberedCertificateSafely) {
    constexpr int kThreads = 4, kRounds = 50;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const char* serial = t % 2 == 0 ? "010203" : "3A1B2C3D4E5F60718293A4B5C6D7E8F9";
            for (int i = 0; i < kRounds; ++i) {
                const Signed chosen = SignText("chosen", 1, serial), remembered = SignText("remembered", 0);
                const std::string by = SerialOf(remembered.record);
                if (chosen.result != 0 || remembered.result != 0 ||
                    (by != "010203" && by != "3A1B2C3D4E5F60718293A4B5C6D7E8F9")) {
                    ++failures;
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures, 0);
}

TEST_F(SigningDialog, TheRememberedCertificateIsReleasedWithTheLibrary) {
    const LibraryCopy copy;
    HandlesLeftBehind(copy, false);  // what the platform sets up once
    const DWORD forgotten = HandlesLeftBehind(copy, true), kept = HandlesLeftBehind(copy, false);
    std::printf("[report] handles after unloading: %lu with the certificate forgotten, %lu with it remembered\n",
                static_cast<unsigned long>(forgotten), static_cast<unsigned long>(kept));
    EXPECT_EQ(kept, forgotten);
}

}  // namespace
}  // namespace vemo::test
