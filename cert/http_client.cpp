#include "cert/http_client.h"

#include <cstring>
#include <string>

#include "cert/http_request.h"

namespace vemo::cert {
namespace {

timeval WaitOf(DWORD milliseconds) {
    return timeval{static_cast<long>(milliseconds / 1000), static_cast<long>(milliseconds % 1000 * 1000)};
}

bool SetBlocking(SOCKET socket, bool blocking) {
    u_long nonBlocking = blocking ? 0 : 1;
    return ioctlsocket(socket, FIONBIO, &nonBlocking) == 0;
}

// connect() that gives up after the wait: started without blocking, then waited for.
bool ConnectWithin(SOCKET socket, const sockaddr_in& address, DWORD milliseconds) {
    if (!SetBlocking(socket, false)) return false;
    if (connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
        fd_set connected, failed;
        FD_ZERO(&connected);
        FD_ZERO(&failed);
        FD_SET(socket, &connected);
        FD_SET(socket, &failed);
        timeval wait = WaitOf(milliseconds);
        if (select(0, nullptr, &connected, &failed, &wait) <= 0 || FD_ISSET(socket, &failed)) return false;
        int error = 0;
        int size = sizeof error;
        if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0 || error != 0) {
            return false;
        }
    }
    return SetBlocking(socket, true);
}

// The end of one download: its connection, request and every receive share one bound, so a
// server that trickles its answer cannot hold the caller longer than a silent one.
class Deadline {
public:
    explicit Deadline(DWORD milliseconds) : end_(GetTickCount64() + milliseconds) {}
    DWORD remaining() const {
        const ULONGLONG now = GetTickCount64();
        return now >= end_ ? 0 : static_cast<DWORD>(end_ - now);
    }

private:
    ULONGLONG end_;
};

// Whether data (or the end of the stream) can be received within the wait.
bool ReadableWithin(SOCKET socket, DWORD milliseconds) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval wait = WaitOf(milliseconds);
    return select(0, &readable, nullptr, nullptr, &wait) == 1;
}

}  // namespace

DWORD HttpWaitMilliseconds() {
    char text[16] = {};
    const DWORD length = GetEnvironmentVariableA(kHttpWaitVariable, text, sizeof text);
    if (length == 0 || length >= sizeof text) return kHttpWaitDefaultMs;
    DWORD value = 0;
    for (const char* at = text; *at != '\0'; ++at) {
        if (*at < '0' || *at > '9') return kHttpWaitDefaultMs;
        value = value * 10 + static_cast<DWORD>(*at - '0');
    }
    return value >= 1 && value <= kHttpWaitDefaultMs ? value : kHttpWaitDefaultMs;
}

int32_t ConnectToHost(const char* host, uint16_t port, Connection& connection, DWORD waitMs) {
    if (!connection.winsock.started()) return -1;
    connection.socket.reset(socket(AF_INET, SOCK_STREAM, 0));
    if (!connection.socket) return -2;

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = inet_addr(host);
    if (address.sin_addr.s_addr == INADDR_NONE) {
        const hostent* entry = gethostbyname(host);
        if (entry == nullptr || entry->h_addr_list[0] == nullptr) return -3;
        std::memcpy(&address.sin_addr, entry->h_addr_list[0], sizeof address.sin_addr);
    }
    return ConnectWithin(connection.socket.get(), address, waitMs) ? 0 : -4;
}

int32_t HttpGetPage(const char* address, ResponseText& response) {
    WebAddress parsed;
    if (const AddressResult result = ParseWebAddress(address, parsed); result != kAddressOk) return result;

    const Deadline deadline(HttpWaitMilliseconds());
    Connection connection;
    if (ConnectToHost(parsed.host.c_str(), parsed.port, connection, deadline.remaining()) != 0) return kNoConnection;
    const SOCKET socket = connection.socket.get();

    const std::string request = BuildGetRequest(parsed);
    if (send(socket, request.data(), static_cast<int>(request.size()), 0) != static_cast<int>(request.size())) {
        const int error = WSAGetLastError();
        return error != 0 ? error : WSAECONNABORTED;
    }

    // HTTP/1.0: the server closes the connection after the response.
    for (;;) {
        const DWORD left = deadline.remaining();
        if (left == 0 || !ReadableWithin(socket, left)) return WSAETIMEDOUT;
        const int received = recv(socket, response.receiveAt(), static_cast<int>(response.receiveRoom()), 0);
        if (received == 0) return 0;
        if (received < 0) {
            const int error = WSAGetLastError();
            return error != 0 ? error : WSAECONNABORTED;
        }
        // A response longer than the buffer is cut there; the rest is not waited for.
        if (!response.received(static_cast<size_t>(received))) return 0;
    }
}

int32_t GetUserCerFromUrl(const char* address, char (&text)[kResponseBufferSize]) {
    std::memset(text, 0, sizeof text);
    ResponseText response;
    const int32_t fetched = HttpGetPage(address, response);
    if (fetched == kNoConnection) return kNoConnection;
    if (fetched != 0) return kDownloadFailed;
    const CertificateText certificate = FindCertificateText(response);
    if (certificate.start == nullptr) return kDownloadFailed;
    std::memcpy(text, certificate.start, certificate.length);  // within the response text, which fits `text`
    text[certificate.length] = '\0';
    return 0;
}

}  // namespace vemo::cert
