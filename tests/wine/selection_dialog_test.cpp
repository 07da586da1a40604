// The picker edition's selection dialog, used as a person would on the display: what it shows,
// what each click, key and closing makes C_VEMO_GetUserCert answer, and the stores it lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "picker/dialog_resources.h"
#include "support/dialog_driver.h"
#include "support/edition_under_test.h"
#include "support/store_fixture.h"
#include "support/token_fixture.h"
#include "support/user_cert_call.h"

namespace vemo::test {
namespace {

bool Picker() { return Edition().kind() == EditionKind::Picker; }

// The message boxes' texts as the library stores them (GBK): "未选择证书!" (no certificate
// selected) and "该证书过大!" (this certificate is too large).
const std::string kNoneSelected = "\xCE\xB4\xD1\xA1\xD4\xF1\xD6\xA4\xCA\xE9!";
const std::string kTooLarge = "\xB8\xC3\xD6\xA4\xCA\xE9\xB9\xFD\xB4\xF3!";

std::string PemOf(const char* fixture) { return OneLinePem(FixtureBytes(std::string(fixture) + ".crt.der")); }

// "MY" and "AddressBook" with the test PKI's certificates, neither in sorted order; the list
// shows them sorted: the fixtures of kSorted.
struct TestPkiInStores {
    ScopedStoreContents my{"MY", {FixtureBytes("user2048.crt.der"), FixtureBytes("user1024.crt.der"),
                                  FixtureBytes("signer.crt.der")}};
    ScopedStoreContents addressBook{"AddressBook", {FixtureBytes("root-b-user.crt.der"), FixtureBytes("plain.crt.der")}};
};
const std::vector<std::string> kSortedNames = {"Vemo Plain User", "Vemo Root B User", "Vemo Signer", "Vemo User 1024",
                                               "Vemo User 2048"};
const char* const kSorted[] = {"plain", "root-b-user", "signer", "user1024", "user2048"};

TEST(SelectionDialog, ShowsItsTemplateAndTheStoresNamesSortedWithTheFirstSelected) {
    if (!Picker()) GTEST_SKIP() << "the picker edition's dialog";
    TestPkiInStores stores;
    DialogView view{};
    const UserCertCall call = GetUserCertWith(
        [&](DialogDriver& person) {
            if (!person.WaitForDialog()) return;
            view = person.Read();
            person.Screenshot("selection-dialog");
            person.Press(IDOK);
        },
        "x");
    // OK "确定", "请选择证书" (please select a certificate).
    ExpectTemplateLayout(view, VEMO_IDC_SELECTION_LIST, L"\x786e\x5b9a", L"\x8bf7\x9009\x62e9\x8bc1\x4e66", 41);
    EXPECT_EQ(view.entries, kSortedNames);
    EXPECT_EQ(view.selected, 0);
    EXPECT_EQ(call.result, 0);
    EXPECT_EQ(call.text, PemOf(kSorted[0]));
    EXPECT_TRUE(call.terminated);
    EXPECT_TRUE(call.guardsIntact);
}

TEST(SelectionDialog, WhatThePersonDoesDecidesTheAnswer) {
    if (!Picker()) GTEST_SKIP() << "the picker edition's dialog";
    TestPkiInStores stores;
    const struct {
        const char* name;
        std::function<void(DialogDriver&)> act;
        const char* fixture;  // the certificate handed out; nullptr: -512
    } cases[] = {
        {"a click on the fourth entry, OK", [](DialogDriver& d) { d.ClickEntry(3); d.Press(IDOK); }, kSorted[3]},
        {"a click on the second entry, a mouse click on OK",
         [](DialogDriver& d) { d.ClickEntry(1); d.ClickControl(IDOK); }, kSorted[1]},
        {"Enter", [](DialogDriver& d) { d.Key(VK_RETURN); }, kSorted[0]},
        {"Cancel", [](DialogDriver& d) { d.Press(IDCANCEL); }, nullptr},
        {"a click on an entry, Cancel", [](DialogDriver& d) { d.ClickEntry(2); d.Press(IDCANCEL); }, nullptr},
        {"Escape", [](DialogDriver& d) { d.Key(VK_ESCAPE); }, nullptr},
        {"the window closed", [](DialogDriver& d) { d.Close(); }, nullptr},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        bool leftOpen = false;
        const UserCertCall call = WithPerson(
            [&](DialogDriver& person) {
                if (person.WaitForDialog()) row.act(person);
            },
            [] { return GetUserCert("x"); }, &leftOpen);
        EXPECT_FALSE(leftOpen);
        if (row.fixture == nullptr) {
            EXPECT_EQ(call.result, E_ENCROLL_CERT_NO_FIND);
            EXPECT_TRUE(call.emptyOnFailure);
            continue;
        }
        EXPECT_EQ(call.result, 0);
        EXPECT_EQ(call.text, PemOf(row.fixture));
    }
}

TEST(SelectionDialog, OpensForEverySelectorButTheSerialNumberTheAddressAndTheFile) {
    if (!Picker()) GTEST_SKIP() << "the picker edition's dialog";
    TestPkiInStores stores;
    const struct {
        const char* source;
        const char* texts;  // lookup text, serial number and location alike
        bool dialog;
        int32_t result;
    } cases[] = {
        {"4", "", true, 0},  {"x", "", true, 0},   {"", "", true, 0}, {"9", "", true, 0},
        {"2", "t", true, 0}, {"2", "", false, SPC_INPUTARG_ERROR_01},  // its argument check first
        {"0", "", false, E_ENCROLL_CERT_NO_FIND}, {"3", "", false, E_FILE_OPEN_ERROR},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(testing::Message() << "\"" << row.source << "\"");
        bool shown = false;
        const UserCertCall call = GetUserCertWith(
            [&](DialogDriver& person) {
                shown = person.WaitForDialog();
                if (shown) person.Press(IDOK);
            },
            row.source, row.texts, row.texts, row.texts);
        EXPECT_EQ(shown, row.dialog);
        EXPECT_EQ(call.result, row.result);
        if (row.dialog) {
            EXPECT_EQ(call.text, PemOf(kSorted[0]));
        }
    }
}

// What the person saw and what the export answered.
struct Outcome {
    std::vector<std::string> entries;
    int selected = 0;
    std::vector<std::string> messages;
    bool openAfterMessages = true;
    UserCertCall call;
};

// Selects the entry `index` (or leaves the selection as it is: -1), presses OK; each message box
// is answered and the dialog, still open, cancelled.
Outcome ChooseEntry(int index) {
    Outcome outcome;
    outcome.call = GetUserCertWith(
        [&](DialogDriver& person) {
            if (!person.WaitForDialog()) return;
            const DialogView view = person.Read();
            outcome.entries = view.entries;
            outcome.selected = view.selected;
            if (index >= 0) person.ClickEntry(index);
            person.Press(IDOK);
            // The first message box may take its time; a further one follows at once.
            for (std::string text; !(text = person.AnswerMessageBox(outcome.messages.empty() ? 10000 : 1000)).empty();) {
                outcome.messages.push_back(text);
            }
            if (!outcome.messages.empty()) {
                outcome.openAfterMessages = person.stillOpen();
                person.Press(IDCANCEL);
            }
        },
        "x");
    return outcome;
}

TEST(SelectionDialog, StoreContentsAndWhatOkFindsInThem) {
    if (!Picker()) GTEST_SKIP() << "the picker edition's dialog";
    const Der oversized = FixtureBytes("oversized.crt.der");  // 5063 bytes: more than 3072
    const Der plain = FixtureBytes("plain.crt.der");
    const struct {
        const char* name;
        std::vector<Der> my, addressBook;
        std::vector<std::string> entries;
        std::vector<std::string> messages;
        const Der* handedOut;  // nullptr: -512
    } cases[] = {
        {"both stores empty", {}, {}, {}, {kNoneSelected}, nullptr},
        {"only \"AddressBook\"", {}, {plain}, {"Vemo Plain User"}, {}, &plain},
        {"a certificate too large for the dialog's text", {oversized}, {}, {"Vemo Oversized User"}, {kTooLarge},
         nullptr},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        ScopedStoreContents my("MY", row.my), addressBook("AddressBook", row.addressBook);
        const Outcome outcome = ChooseEntry(-1);
        EXPECT_EQ(outcome.entries, row.entries);
        EXPECT_EQ(outcome.selected, row.entries.empty() ? LB_ERR : 0);
        EXPECT_EQ(outcome.messages, row.messages);
        EXPECT_TRUE(outcome.openAfterMessages) << "a message box leaves the dialog open";
        if (row.handedOut == nullptr) {
            EXPECT_EQ(outcome.call.result, E_ENCROLL_CERT_NO_FIND);
            EXPECT_TRUE(outcome.call.emptyOnFailure);
            continue;
        }
        EXPECT_EQ(outcome.call.result, 0);
        EXPECT_EQ(outcome.call.text, OneLinePem(*row.handedOut));
    }
}

std::string DisplayNameOf(const Der& der) {
    const PCCERT_CONTEXT certificate =
        CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    char name[128] = {};
    if (certificate != nullptr) {
        CertGetNameStringA(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, sizeof name);
        CertFreeCertificateContext(certificate);
    }
    return name;
}

// Every entry hands out the certificate listed under it: each certificate of the stores once,
// whatever its name shares with another's (not the first certificate whose subject contains the
// entry's name).
TEST(SelectionDialog, EachEntryHandsOutItsOwnCertificate) {
    if (!Picker()) GTEST_SKIP() << "the picker edition's dialog";
    const Der twinFirst = MadeCertificate(L"CN=Vemo Twin", {0x01}), twinSecond = MadeCertificate(L"CN=Vemo Twin", {0x02});
    // The first's subject contains the second's name.
    const Der admin = MadeCertificate(L"CN=Vemo Signer Admin", {0x04}), signer = FixtureBytes("signer.crt.der");
    // No name at all, renewed: an empty display name twice.
    const Der blankFirst = MadeCertificate(L"", {0x05}), blankSecond = MadeCertificate(L"", {0x06});
    // Its display name comes from the alternative name, which the subject does not contain.
    const Der nameless = MadeCertificate(L"C=CN", {0x03}, CERT_V3, L"nameless@vemo.test");
    const struct {
        const char* name;
        std::vector<Der> my, addressBook;
    } cases[] = {
        {"the same name twice", {twinFirst, twinSecond}, {}},
        {"the same name in both stores", {twinSecond}, {twinFirst}},
        {"a name inside another, the longer first", {admin, signer}, {}},
        {"renewed without a name", {blankFirst, blankSecond}, {}},
        {"a name the subject does not contain", {nameless}, {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        ScopedStoreContents my("MY", row.my), addressBook("AddressBook", row.addressBook);
        std::vector<Der> expected = row.my, handedOut;
        expected.insert(expected.end(), row.addressBook.begin(), row.addressBook.end());
        for (int entry = 0; entry < static_cast<int>(expected.size()); ++entry) {
            const Outcome outcome = ChooseEntry(entry);
            ASSERT_EQ(outcome.call.result, 0) << "entry " << entry;
            const auto found = std::find_if(expected.begin(), expected.end(),
                                            [&](const Der& der) { return outcome.call.text == OneLinePem(der); });
            ASSERT_NE(found, expected.end()) << "entry " << entry << " handed out another certificate";
            EXPECT_EQ(DisplayNameOf(*found), outcome.entries[static_cast<size_t>(entry)]) << "entry " << entry;
            handedOut.push_back(*found);
        }
        std::sort(expected.begin(), expected.end());
        std::sort(handedOut.begin(), handedOut.end());
        EXPECT_EQ(handedOut, expected) << "each certificate once";
    }
}

}  // namespace
}  // namespace vemo::test
