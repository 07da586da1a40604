// C_VEMO_GetUserCert's download (selector "1") against a server in this process: the request
// exactly as sent, responses whole or in pieces, and every failure folded into
// E_CERT_DATA_ERROR, a page too large for the buffer and a server that never answers included.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "support/edition_under_test.h"
#include "support/http_server.h"
#include "support/scoped_environment.h"
#include "support/token_fixture.h"
#include "support/user_cert_call.h"

namespace vemo::test {
namespace {

const std::string kAccept = "Accept: www/source; text/html; image/gif; */*\r\n\r\n";

std::string CertificatePem() {
    const std::vector<uint8_t> pem = FixtureBytes("signer.crt.pem");
    return std::string(pem.begin(), pem.end());
}

std::string Page(const std::string& body) { return "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + body; }

// A page of exactly `size` bytes that ends with the certificate.
std::string PageOfSize(size_t size) {
    const std::string head = "HTTP/1.0 200 OK\r\nX-Padding: ", tail = "\r\n\r\n" + CertificatePem();
    return head + std::string(size - head.size() - tail.size(), 'p') + tail;
}

// Bytes that are no text: every value, zero bytes among them, in a fixed order.
std::string BinaryGarbage(size_t size) {
    std::string bytes(size, '\0');
    uint32_t state = 0x12345678;
    for (char& byte : bytes) byte = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
    return bytes;
}

TEST(HttpDownload, ServerBehaviours) {
    ScopedWorkingDirectory directory;
    // Every download ends within this bound, however the server behaves.
    constexpr double kBoundSeconds = 2.0;
    ScopedEnvironmentVariable bound("CVEMO_HTTP_TIMEOUT_MS", "2000");
    const std::string pem = CertificatePem();
    const std::string block = pem.substr(0, pem.rfind("-----END CERTIFICATE-----") + 25);
    const struct {
        const char* name;
        ServerBehaviour server;
        int32_t result;
        std::string text;
    } cases[] = {
        {"page with a certificate", {Page("intro\n" + pem + "after\n")}, 0, pem + "after\n"},
        {"in many segments", {Page(pem), 97, 5}, 0, pem},
        {"a status other than 200", {"HTTP/1.0 404 Not Found\r\n\r\n" + pem}, 0, pem},
        {"4095 bytes", {PageOfSize(4095)}, 0, pem},
        // Longer than the buffer: a whole block in its first 4095 bytes is the certificate.
        {"4096 bytes, the block whole in what fits", {PageOfSize(4096)}, 0, block},
        {"4098 bytes, the block cut", {PageOfSize(4098)}, E_CERT_DATA_ERROR, ""},
        {"10 MB", {Page(pem), 0, 0, 10 * 1024 * 1024 / pem.size()}, 0, block},
        {"no certificate in the page", {Page("<html>no certificate</html>")}, E_CERT_DATA_ERROR, ""},
        {"closes without a byte", {""}, E_CERT_DATA_ERROR, ""},
        // Hostile servers: each ends within the bound.
        {"one byte per second", {Page(pem), 1, 1000}, E_CERT_DATA_ERROR, ""},
        {"closes mid-header", {"HTTP/1.0 200 OK\r\nContent-Ty"}, E_CERT_DATA_ERROR, ""},
        {"two certificates: both, from the first", {Page(pem + pem)}, 0, pem + pem},
        {"binary garbage", {BinaryGarbage(3000)}, E_CERT_DATA_ERROR, ""},
        {"a zero byte before the certificate", {Page(std::string("x\0", 2) + pem)}, E_CERT_DATA_ERROR, ""},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        TestHttpServer server(row.server);
        ASSERT_TRUE(server.listening());
        const auto start = std::chrono::steady_clock::now();
        const UserCertCall call = GetUserCert("1", "", "", server.address("/certs/signer.pem?x=1").c_str());
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(elapsed, kBoundSeconds + 1.5) << "the download outlasted its bound";
        EXPECT_EQ(call.result, row.result);
        EXPECT_EQ(call.text, row.text);
        EXPECT_TRUE(row.result == 0 ? call.guardsIntact : call.emptyOnFailure);
        ASSERT_EQ(server.requests().size(), 1u);
        EXPECT_EQ(server.requests()[0], "GET http://127.0.0.1:" + std::to_string(server.port()) +
                                             "/certs/signer.pem?x=1 HTTP/1.0\r\n" + kAccept);
    }
    EXPECT_TRUE(ListFolder(directory.path()).empty() || Edition().writesTrace()) << "the download logs nothing";
}

TEST(HttpDownload, AddressForms) {
    ScopedWorkingDirectory directory;
    TestHttpServer server({Page(CertificatePem())});
    ASSERT_TRUE(server.listening());
    const std::string port = std::to_string(server.port());
    const struct {
        std::string address;
        int32_t result;
        std::string requestLine;  // empty: nothing sent
    } cases[] = {
        {"HTTPS://127.0.0.1:" + port + "/c.pem", 0, "GET http://127.0.0.1:" + port + "/c.pem HTTP/1.0\r\n"},
        {"hTTp://localhost:" + port + "/", 0, "GET http://localhost:" + port + "/ HTTP/1.0\r\n"},
        {"ftp://127.0.0.1:" + port + "/c.pem", E_CERT_DATA_ERROR, ""},
        {"http://127.0.0.1:" + port, E_CERT_DATA_ERROR, ""},
        {"", E_CERT_DATA_ERROR, ""},
        {"http://127.0.0.1:" + std::to_string(UnusedPort()) + "/c.pem", E_CERT_DATA_ERROR, ""},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.address);
        const size_t before = server.requests().size();
        EXPECT_EQ(GetUserCert("1", "", "", row.address.c_str()).result, row.result);
        const std::vector<std::string> requests = server.requests();
        if (row.requestLine.empty()) {
            EXPECT_EQ(requests.size(), before);
        } else {
            ASSERT_EQ(requests.size(), before + 1);
            EXPECT_EQ(requests.back(), row.requestLine + kAccept);
        }
    }
}

TEST(HttpDownload, WithoutPortHttpsIsFetchedInPlainTextOnPort80) {
    ScopedWorkingDirectory directory;
    TestHttpServer server({Page(CertificatePem())}, 80);
    if (!server.listening()) GTEST_SKIP() << "port 80 cannot be bound here";
    const UserCertCall call = GetUserCert("1", "", "", "https://127.0.0.1/c.pem");
    EXPECT_EQ(call.result, 0);
    EXPECT_EQ(call.text, CertificatePem());
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0], "GET http://127.0.0.1:/c.pem HTTP/1.0\r\n" + kAccept) << "a lone colon";
}

TEST(HttpDownload, ServerThatNeverAnswersCostsOneBoundedWait) {
    ScopedWorkingDirectory directory;
    ScopedEnvironmentVariable wait("CVEMO_HTTP_TIMEOUT_MS", "1000");
    ServerBehaviour silent;
    silent.answers = false;
    TestHttpServer server(silent);
    ASSERT_TRUE(server.listening());
    const auto start = std::chrono::steady_clock::now();
    const UserCertCall call = GetUserCert("1", "", "", server.address("/c.pem").c_str());
    const auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(call.result, E_CERT_DATA_ERROR);
    EXPECT_TRUE(call.emptyOnFailure);
    EXPECT_GE(elapsed, 0.9);
    EXPECT_LT(elapsed, 10.0);
    std::printf("[report] download from a server that never answers: E_CERT_DATA_ERROR after %.2f s "
                "(CVEMO_HTTP_TIMEOUT_MS=1000, %s edition)\n", elapsed, Edition().name().c_str());
}

}  // namespace
}  // namespace vemo::test
