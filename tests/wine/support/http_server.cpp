#include "support/http_server.h"

#include <algorithm>

namespace vemo::test {
namespace {

// Waits up to `ms` for the socket to become readable; false on timeout.
bool Readable(SOCKET socket, long ms) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval wait{ms / 1000, ms % 1000 * 1000};
    return select(0, &readable, nullptr, nullptr, &wait) == 1;
}

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

}  // namespace

TestHttpServer::TestHttpServer(ServerBehaviour behaviour, uint16_t port) : behaviour_(std::move(behaviour)) {
    listener_.reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address = Loopback(port);
    int size = sizeof address;
    if (!listener_ || bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_.get(), SOMAXCONN) != 0 ||
        getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        return;
    }
    port_ = ntohs(address.sin_port);
    listening_ = true;
    thread_ = std::thread([this] { serve(); });
}

TestHttpServer::~TestHttpServer() {
    stopping_ = true;
    if (!thread_.joinable()) return;
    // Wake the thread from accept() with a connection of our own.
    win::Socket wake(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    const sockaddr_in address = Loopback(port_);
    connect(wake.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    thread_.join();
}

std::string TestHttpServer::address(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> TestHttpServer::requests() const {
    std::lock_guard<std::mutex> hold(lock_);
    return requests_;
}

// Blocks in accept() between connections, so that the thread holds no handle of its own while
// the tests count the process's handles. Each connection is closed once answered.
void TestHttpServer::serve() {
    for (;;) {
        win::Socket client(accept(listener_.get(), nullptr, nullptr));
        if (stopping_) return;
        if (client) answer(client.get());
    }
}

void TestHttpServer::answer(SOCKET client) {
    // The request ends with an empty line; the client sends it at once.
    std::string request;
    char chunk[1024];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 64 * 1024 && Readable(client, 5000)) {
        const int received = recv(client, chunk, sizeof chunk, 0);
        if (received <= 0) break;
        request.append(chunk, received);
    }
    {
        std::lock_guard<std::mutex> hold(lock_);
        requests_.push_back(request);
    }
    if (!behaviour_.answers) {
        // Hold the connection until the client gives up (or the server stops).
        while (!stopping_) {
            if (Readable(client, 50) && recv(client, chunk, sizeof chunk, 0) <= 0) break;
        }
        return;
    }
    const std::string& page = behaviour_.response;
    const size_t piece = behaviour_.segment == 0 ? page.size() : behaviour_.segment;
    for (size_t round = 0; round < behaviour_.repeat && !stopping_; ++round) {
        for (size_t at = 0; at < page.size() && !stopping_; at += piece) {
            const int count = static_cast<int>(std::min(piece, page.size() - at));
            if (send(client, page.data() + at, count, 0) != count) return;  // the client went away
            if (behaviour_.pauseMs != 0) Sleep(behaviour_.pauseMs);
        }
    }
}

uint16_t UnusedPort() {
    win::WinsockSession winsock(MAKEWORD(2, 2));
    win::Socket probe(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address = Loopback(0);
    int size = sizeof address;
    bind(probe.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(probe.get(), reinterpret_cast<sockaddr*>(&address), &size);
    return ntohs(address.sin_port);  // free again once the probe is closed
}

}  // namespace vemo::test
