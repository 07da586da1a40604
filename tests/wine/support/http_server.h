// A small HTTP server on 127.0.0.1 inside the test process: a Winsock thread that answers every
// connection by one behaviour, records the requests it read, and stops with the object.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "frame/win_handles.h"

namespace vemo::test {

struct ServerBehaviour {
    std::string response;     // sent after the request was read
    size_t segment = 0;       // sent in pieces of this many bytes (0: at once)...
    DWORD pauseMs = 0;        // ...with this pause between them
    size_t repeat = 1;        // the response sent this many times over (a large page)
    bool answers = true;      // false: reads the request and then holds the connection open
};

class TestHttpServer {
public:
    // Listens on `port` (0: an ephemeral port). Check listening() before use.
    explicit TestHttpServer(ServerBehaviour behaviour, uint16_t port = 0);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    bool listening() const { return listening_; }
    uint16_t port() const { return port_; }
    // "http://127.0.0.1:<port><path>"
    std::string address(const std::string& path) const;
    std::vector<std::string> requests() const;

private:
    void serve();
    void answer(SOCKET client);

    ServerBehaviour behaviour_;
    win::WinsockSession winsock_{MAKEWORD(2, 2)};
    win::Socket listener_;
    uint16_t port_ = 0;
    bool listening_ = false;
    std::atomic<bool> stopping_{false};
    mutable std::mutex lock_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens.
uint16_t UnusedPort();

}  // namespace vemo::test
