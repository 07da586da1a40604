#include "cert/http_request.h"

#include <cstring>

namespace vemo::cert {
namespace {

constexpr char kHttp[] = "http://";
constexpr char kHttps[] = "https://";

bool StartsWithIgnoringCase(const char* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix) {
        const char c = (*text >= 'A' && *text <= 'Z') ? static_cast<char>(*text - 'A' + 'a') : *text;
        if (c != *prefix) return false;
    }
    return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

uint16_t PortNumber(const char* text) {
    while (IsBlank(*text)) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    uint16_t value = 0;  // unsigned arithmetic wraps: the value modulo 65536
    for (; *text >= '0' && *text <= '9'; ++text) value = static_cast<uint16_t>(value * 10 + (*text - '0'));
    return negative ? static_cast<uint16_t>(0u - value) : value;
}

AddressResult ParseWebAddress(const char* address, WebAddress& parsed) {
    parsed = WebAddress{};
    const char* rest = nullptr;
    if (StartsWithIgnoringCase(address, kHttp)) {
        rest = address + std::strlen(kHttp);
    } else if (StartsWithIgnoringCase(address, kHttps)) {
        rest = address + std::strlen(kHttps);
    } else {
        return kAddressBadScheme;
    }
    const size_t restLength = strnlen(rest, kAddressRestMax + 1);
    if (restLength > kAddressRestMax) return kAddressNoPath;

    // host part "/" path
    const char* slash = std::strchr(rest, '/');
    if (slash == nullptr || slash == rest) return kAddressNoPath;
    const std::string hostPart(rest, slash);
    parsed.path = slash;

    // host [":" port]
    const size_t colon = hostPart.find(':');
    if (colon == std::string::npos || colon == 0) {
        parsed.host = hostPart;
        return kAddressOk;
    }
    parsed.host = hostPart.substr(0, colon);
    parsed.portText = hostPart.substr(colon + 1);
    if (parsed.portText.size() > kPortTextMax) return kAddressNoPath;
    parsed.port = PortNumber(parsed.portText.c_str());
    return kAddressOk;
}

std::string BuildGetRequest(const WebAddress& address) {
    return "GET " + std::string(kHttp) + address.host + ":" + address.portText + address.path + " HTTP/1.0\r\n" +
           "Accept: www/source; text/html; image/gif; */*\r\n" + "\r\n";
}

}  // namespace vemo::cert
