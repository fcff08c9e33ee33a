#pragma once

// A TCP port on loopback that is not a working Icecast server: closed
// (bound, so nobody else takes it, but not listening: every connection is
// refused at once), silent (it accepts and never answers, so a client waits
// for its time-out), or one that answers every request with a fixed text. A
// Windows test program under Wine has the test services host hold it on the
// Linux side (support/service_messages.h).

#include <cstdint>
#include <memory>
#include <string>

namespace skyflume::test {

class FakeServer {
public:
    enum class Kind { Closed, Silent, Answering };

    // `answer` is sent to every request of an Answering server. Port() is 0
    // when no port could be had.
    explicit FakeServer(Kind kind, std::string answer = {});
    ~FakeServer();
    FakeServer(const FakeServer&) = delete;
    FakeServer& operator=(const FakeServer&) = delete;

    uint16_t Port() const { return port; }

private:
    // The socket with its answering thread, or the host's port for this program.
    struct Socket;

    uint16_t port = 0;
    std::unique_ptr<Socket> endpoint;
};

}  // namespace skyflume::test
