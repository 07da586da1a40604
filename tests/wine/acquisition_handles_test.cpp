// Every source of C_VEMO_GetUserCert and C_VEMO_GetCertInfo, on its success and its failure
// path, called 1,000 times (the picker edition's dialog 20 times): the process holds as many
// handles afterwards as before.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

#include "support/edition_under_test.h"
#include "support/process_handles.h"
#include "support/http_server.h"
#include "support/scoped_environment.h"
#include "support/store_fixture.h"
#include "support/token_fixture.h"
#include "support/user_cert_call.h"
#include "token/provision/container_import.h"

namespace vemo::test {
namespace {

constexpr int kCalls = 1000;
constexpr int kDialogCalls = 20;  // each one waits for a dialog on the screen

token::TokenImage Token(bool failing) {
    token::TokenImage image;
    image.containers = {token::provision::ContainerWithoutKey("*defalut*"), FixtureContainer("user1024", "LAB-USER")};
    if (failing) image.setFault(token::FaultPoint::GetCurrentCertificate, 0x0E00ABCD);
    return image;
}

int32_t CertInfo(const std::string& text) {
    Pack own{};
    PackItem* pack = own;
    if (Edition().kind() == EditionKind::Token) Edition().newPack(&pack);
    std::string caller = text;
    char info[1024];
    const int32_t result = Edition().getCertInfo(caller.data(), "3", info, pack);
    Edition().freePack(pack);
    return result;
}

TEST(AcquisitionHandles, ThousandCallsOfEachSourceLeaveNoHandle) {
    ScopedWorkingDirectory directory;
    ScopedStoreContents my("MY", {FixtureBytes("user1024.crt.der")});
    ScopedStoreContents addressBook("AddressBook", {FixtureBytes("signer.crt.der")});
    ScopedTokenStore token;
    const std::vector<uint8_t> pemBytes = FixtureBytes("signer.crt.pem");
    const std::string pem(pemBytes.begin(), pemBytes.end());
    std::ofstream("signer.pem", std::ios::binary) << pem;
    TestHttpServer server({"HTTP/1.0 200 OK\r\n\r\n" + pem});
    ASSERT_TRUE(server.listening());
    const std::string page = server.address("/signer.pem");
    const std::string refused = "http://127.0.0.1:" + std::to_string(UnusedPort()) + "/signer.pem";
    const bool picker = Edition().kind() == EditionKind::Picker;

    const struct {
        const char* name;
        std::function<void()> setUp;
        std::function<int32_t()> call;
        int32_t expected;
        bool dialog = false;  // the picker edition's selection dialog, cancelled: fewer calls
    } sources[] = {
        {"serial lookup, found", {}, [] { return GetUserCert("0", "", "0102").result; }, 0},
        {"serial lookup, not found", {}, [] { return GetUserCert("0", "", "FFFF").result; }, E_ENCROLL_CERT_NO_FIND},
        {"download", {}, [&] { return GetUserCert("1", "", "", page.c_str()).result; }, 0},
        {"download, refused", {}, [&] { return GetUserCert("1", "", "", refused.c_str()).result; }, E_CERT_DATA_ERROR},
        {"armour only", {}, [] { return GetUserCertOrCancel("2", "l", "s", "x").result; },
         picker ? E_ENCROLL_CERT_NO_FIND : 0, picker},
        {"file", {}, [] { return GetUserCert("3", "", "", "signer.pem").result; }, 0},
        {"file, missing", {}, [] { return GetUserCert("3", "", "", "missing.pem").result; }, E_FILE_OPEN_ERROR},
        {"token", [&] { token.plugIn(Token(false)); }, [] { return GetUserCertOrCancel("4").result; },
         picker ? E_ENCROLL_CERT_NO_FIND : 0, picker},
        {"token, failing", [&] { token.plugIn(Token(true)); }, [] { return GetUserCertOrCancel("4").result; },
         picker ? E_ENCROLL_CERT_NO_FIND : -8886, picker},  // container 2
        {"personal store", {}, [] { return GetUserCertOrCancel("5").result; }, picker ? E_ENCROLL_CERT_NO_FIND : 0,
         picker},
        {"certificate information", {}, [&] { return CertInfo(pem); }, 0},
        {"certificate information, not a certificate", {}, [] { return CertInfo("MIIBAAAA"); }, E_CERT_DATA_ERROR},
    };
    // First use of each source (and of the server's thread): whatever the platform sets up once.
    for (const auto& source : sources) {
        if (source.setUp) source.setUp();
        ASSERT_EQ(source.call(), source.expected) << source.name;
    }
    for (const auto& source : sources) {
        SCOPED_TRACE(source.name);
        if (source.setUp) source.setUp();
        const int calls = source.dialog ? kDialogCalls : kCalls;
        const unsigned long before = HandleCount();
        int unexpected = 0;
        for (int i = 0; i < calls; ++i) unexpected += source.call() != source.expected;
        const unsigned long after = HandleCount();
        EXPECT_EQ(unexpected, 0);
        EXPECT_NE(before, 0u) << "the handles cannot be counted";
        EXPECT_EQ(after, before);
        std::printf("[report] handles, %s edition, %s: %lu before and %lu after %d calls\n", Edition().name().c_str(),
                    source.name, before, after, calls);
    }
}

}  // namespace
}  // namespace vemo::test
