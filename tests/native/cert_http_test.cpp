// The download's request and response: the web address taken apart, the request built from it,
// the response kept within its buffer and the certificate text found in it.
#include <gtest/gtest.h>

#include <string>

#include "cert/http_request.h"
#include "cert/http_response.h"

namespace vemo::cert {
namespace {

TEST(WebAddress, PartsAndRequestLine) {
    const struct {
        const char* address;
        AddressResult result;
        const char* host;
        uint16_t port;
        const char* requestLine;
    } cases[] = {
        {"http://example.test/cert.pem", kAddressOk, "example.test", 80, "GET http://example.test:/cert.pem HTTP/1.0"},
        {"HTTP://10.0.0.1:8080/a/b?x=1", kAddressOk, "10.0.0.1", 8080, "GET http://10.0.0.1:8080/a/b?x=1 HTTP/1.0"},
        {"https://secure.test/c", kAddressOk, "secure.test", 80, "GET http://secure.test:/c HTTP/1.0"},
        {"HtTpS://h:443/", kAddressOk, "h", 443, "GET http://h:443/ HTTP/1.0"},
        {"http://h: +81x/p", kAddressOk, "h", 81, "GET http://h: +81x/p HTTP/1.0"},
        {"http://h:-1/p", kAddressOk, "h", 65535, "GET http://h:-1/p HTTP/1.0"},
        {"http://h:65617/p", kAddressOk, "h", 81, "GET http://h:65617/p HTTP/1.0"},
        {"http://h:/p", kAddressOk, "h", 0, "GET http://h:/p HTTP/1.0"},
        {"http://:8080/p", kAddressOk, ":8080", 80, "GET http://:8080:/p HTTP/1.0"},
        {"ftp://h/p", kAddressBadScheme, "", 80, nullptr},
        {"http:/h/p", kAddressBadScheme, "", 80, nullptr},
        {"", kAddressBadScheme, "", 80, nullptr},
        {"http://host-without-path", kAddressNoPath, "", 80, nullptr},
        {"http:///p", kAddressNoPath, "", 80, nullptr},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.address);
        WebAddress parsed;
        ASSERT_EQ(ParseWebAddress(row.address, parsed), row.result);
        if (row.result != kAddressOk) continue;
        EXPECT_EQ(parsed.host, row.host);
        EXPECT_EQ(parsed.port, row.port);
        EXPECT_EQ(BuildGetRequest(parsed),
                  std::string(row.requestLine) + "\r\nAccept: www/source; text/html; image/gif; */*\r\n\r\n");
    }
}

TEST(WebAddress, LimitsRefuseRatherThanOverrun) {
    WebAddress parsed;
    const std::string path499 = "/" + std::string(498 - 1, 'p');  // host "h" + path: 499 after the scheme
    EXPECT_EQ(ParseWebAddress(("http://h" + path499).c_str(), parsed), kAddressOk);
    EXPECT_EQ(ParseWebAddress(("http://h" + path499 + "p").c_str(), parsed), kAddressNoPath);
    EXPECT_EQ(ParseWebAddress(("http://h:" + std::string(49, '1') + "/").c_str(), parsed), kAddressOk);
    EXPECT_EQ(ParseWebAddress(("http://h:" + std::string(50, '1') + "/").c_str(), parsed), kAddressNoPath);
    EXPECT_LE(BuildGetRequest(parsed).size(), 1024u);
}

TEST(ResponseText, KeepsWhatFitsAndRefusesTheRest) {
    const struct {
        const char* name;
        std::vector<size_t> chunks;
        bool kept;
    } cases[] = {
        {"one chunk", {100}, true},
        {"many chunks", {1, 2, 3, 1000, 7}, true},
        {"exactly the text's room", {4000, 95}, true},
        {"one byte more", {4000, 96}, false},
        {"a full buffer", {4096}, false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        ResponseText response;
        std::string sent;
        bool kept = true;
        for (size_t chunk : row.chunks) {
            const std::string bytes(chunk, static_cast<char>('a' + sent.size() % 26));
            sent += bytes;
            kept = response.append(bytes.data(), bytes.size()) && kept;
        }
        EXPECT_EQ(kept, row.kept);
        EXPECT_EQ(response.refused(), !row.kept);
        EXPECT_EQ(std::string(response.text()), row.kept ? sent : "") << "a refused response keeps nothing";
    }
}

TEST(ResponseText, CertificateTextRunsFromTheBeginLineToTheEnd) {
    const std::string certificate = "-----BEGIN CERTIFICATE-----\r\nMIIB\r\n-----END CERTIFICATE-----\r\n";
    const struct {
        std::string response;
        std::string found;  // empty: no certificate
    } cases[] = {
        {"HTTP/1.0 200 OK\r\n\r\n" + certificate + "trailer", certificate + "trailer"},
        {"HTTP/1.0 404 Not Found\r\n\r\n" + certificate, certificate},  // the status is not examined
        {"HTTP/1.0 200 OK\r\n\r\nno certificate here", ""},
        {"-----BEGIN CERTIFICATE", ""},
        {std::string("HTTP/1.0 200 OK\r\n\r\n\0", 20) + certificate, ""},  // the text ends at a zero byte
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.response);
        ResponseText response;
        ASSERT_TRUE(response.append(row.response.data(), row.response.size()));
        const char* text = FindCertificateText(response.text());
        EXPECT_EQ(text == nullptr ? "" : std::string(text), row.found);
    }
}

}  // namespace
}  // namespace vemo::cert
