#pragma once

// A TCP port on loopback that is not a working Icecast server: closed
// (bound, so nobody else takes it, but not listening), silent (it accepts
// and never answers), or one that answers every request with a fixed text.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace skyflume::test {

class FakeServer {
public:
    enum class Kind { Closed, Silent, Answering };

    // `answer` is sent to every request of an Answering server.
    explicit FakeServer(Kind kind, std::string answer = {});
    ~FakeServer();
    FakeServer(const FakeServer&) = delete;
    FakeServer& operator=(const FakeServer&) = delete;

    uint16_t Port() const { return port_; }

private:
    void Answer();

    int fd_ = -1;
    uint16_t port_ = 0;
    std::string answer_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace skyflume::test
