// The download of a certificate over HTTP/1.0 with Winsock: a TCP connection, one GET request,
// the response read until the server closes, and the certificate text picked out of it.
// Every wait is bounded: the whole download (connection, request and every receive) ends
// within HttpWaitMilliseconds() of its start, whatever pace the server keeps.
#pragma once

#include <cstdint>

#include "cert/http_response.h"
#include "frame/win_handles.h"

namespace vemo::cert {

// Results of the download inside the library; the export turns both into E_CERT_DATA_ERROR.
inline constexpr int32_t kNoConnection = -6003;
inline constexpr int32_t kDownloadFailed = -6002;

// How long a download may take, its connection included: 30 s, or the value of the environment
// variable CVEMO_HTTP_TIMEOUT_MS when it is a number from 1 to 30000 (tests shorten the wait).
inline constexpr DWORD kHttpWaitDefaultMs = 30000;
inline constexpr char kHttpWaitVariable[] = "CVEMO_HTTP_TIMEOUT_MS";
DWORD HttpWaitMilliseconds();

// One connection: Winsock (version 1.1) started for it, and its socket, closed before Winsock
// is cleaned up.
struct Connection {
    win::WinsockSession winsock{MAKEWORD(1, 1)};
    win::Socket socket;
};

// Connects to `host` (dotted IPv4 address or name) on `port`. 0, or -1 (Winsock did not
// start), -2 (no socket), -3 (the name does not resolve), -4 (no connection within `waitMs`).
int32_t ConnectToHost(const char* host, uint16_t port, Connection& connection, DWORD waitMs);

// Fetches the page at `address` into `response`. 0 (the text may be empty; a response longer
// than the buffer is cut, and the rest not waited for), or -1011 and -1 (the address, see
// ParseWebAddress), kNoConnection, or a Winsock error code: the request could not be sent, a
// receive failed, or the response was not complete when the download's time ran out
// (WSAETIMEDOUT).
int32_t HttpGetPage(const char* address, ResponseText& response);

// The certificate text of the page at `address` (FindCertificateText), zero-terminated in
// `text`. 0, kNoConnection, or kDownloadFailed for every other
// failure, a page without a certificate included.
int32_t GetUserCerFromUrl(const char* address, char (&text)[kResponseBufferSize]);

}  // namespace vemo::cert
