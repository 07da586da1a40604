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

TEST(ResponseText, KeepsWhatFitsAndCutsTheRest) {
    const struct {
        const char* name;
        std::vector<size_t> chunks;
        bool whole;
    } cases[] = {
        {"one chunk", {100}, true},
        {"many chunks", {1, 2, 3, 1000, 7}, true},
        {"exactly the text's room", {4000, 95}, true},
        {"one byte more", {4000, 96}, false},
        {"a full buffer, then more", {4096, 10}, false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        ResponseText response;
        std::string sent;
        bool whole = true;
        for (size_t chunk : row.chunks) {
            const std::string bytes(chunk, static_cast<char>('a' + sent.size() % 26));
            sent += bytes;
            whole = response.append(bytes.data(), bytes.size()) && whole;
        }
        EXPECT_EQ(whole, row.whole);
        EXPECT_EQ(response.cut(), !row.whole);
        EXPECT_EQ(std::string(response.text()), sent.substr(0, kResponseTextMax)) << "a cut response keeps what fits";
    }
}

TEST(ResponseText, CertificateTextRunsFromTheBeginLineToTheEnd) {
    const std::string certificate = "-----BEGIN CERTIFICATE-----\r\nMIIB\r\n-----END CERTIFICATE-----";
    const std::string block = certificate + "\r\n";
    // Padding that puts the response's end at its 4095th byte, the last one kept.
    const auto endingAt = [](size_t end, const std::string& tail) {
        return "HTTP/1.0 200 OK\r\nX: " + std::string(end - 24 - tail.size(), 'p') + "\r\n\r\n" + tail;
    };
    const struct {
        const char* name;
        std::string response;
        std::string found;  // empty: no certificate
    } cases[] = {
        {"a trailer", "HTTP/1.0 200 OK\r\n\r\n" + block + "trailer", block + "trailer"},
        {"status not examined", "HTTP/1.0 404 Not Found\r\n\r\n" + block, block},
        {"none", "HTTP/1.0 200 OK\r\n\r\nno certificate here", ""},
        {"a begin line alone", "-----BEGIN CERTIFICATE", ""},
        {"after a zero byte", std::string("HTTP/1.0 200 OK\r\n\r\n\0", 20) + block, ""},  // the text ends there
        // Cut at the buffer's end: a whole block kept is the certificate, up to its end line.
        {"cut after a whole block", endingAt(kResponseTextMax, block) + "more", certificate},
        {"cut after two blocks: the first", endingAt(kResponseTextMax, block + block) + "more", certificate},
        {"cut inside the end line", endingAt(kResponseTextMax + 3, block) + "more", ""},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        ResponseText response;
        response.append(row.response.data(), row.response.size());
        const CertificateText text = FindCertificateText(response);
        EXPECT_EQ(text.start == nullptr ? "" : std::string(text.start, text.length), row.found);
    }
}

}  // namespace
}  // namespace vemo::cert
