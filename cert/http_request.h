// The download of a certificate by HTTP/1.0, the parts that need no socket: the web address
// taken apart, and the one GET request built from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vemo::cert {

// The longest address after its scheme (host part and path), and the longest port text.
inline constexpr size_t kAddressRestMax = 499;
inline constexpr size_t kPortTextMax = 49;

struct WebAddress {
    std::string host;      // a dotted IPv4 address or a name
    std::string portText;  // as it stood after the ":", empty without one
    uint16_t port = 80;
    std::string path;      // from the first "/" on, query included
};

// The address results, as the page fetch answers them.
enum AddressResult : int32_t {
    kAddressOk = 0,
    kAddressBadScheme = -1011,  // neither "http://" nor "https://" (letter case ignored)
    kAddressNoPath = -1,        // no "/" after the host part, an empty host part, or a part too long
};

// Takes "http://" or "https://", the host part up to the first "/", and the path from there.
// In the host part, a ":" after its first character ends the host and starts the port text,
// read as a decimal number (leading blanks, one sign, the digits up to the first other
// character; none gives 0) modulo 65536; no such ":" means port 80.
AddressResult ParseWebAddress(const char* address, WebAddress& parsed);

// "GET http://<host>:<port text><path> HTTP/1.0", the Accept line and an empty line, each
// ending in CR LF; "https://" addresses are asked for as "http://" too. No other header.
std::string BuildGetRequest(const WebAddress& address);

// The value of a port text: leading blanks, one sign, decimal digits, modulo 65536.
uint16_t PortNumber(const char* text);

}  // namespace vemo::cert
