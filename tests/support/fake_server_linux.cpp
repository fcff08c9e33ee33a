// The port as a socket of the test's own, on Linux.

#include "support/fake_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <atomic>
#include <thread>

#include "support/loopback_socket.h"

namespace skyflume::test {
namespace {

constexpr int kPollMs = 50;
constexpr int kMaxConnections = 100;
constexpr int kMaxReadsPerRequest = 100;

}  // namespace

struct FakeServer::Socket {
    ~Socket() {
        stop = true;
        if (thread.joinable()) thread.join();
        if (fd >= 0) close(fd);
    }

    void Answer();

    int fd = -1;
    std::string answer;
    std::atomic<bool> stop{false};
    std::thread thread;
};

FakeServer::FakeServer(Kind kind, std::string answer) : endpoint(std::make_unique<Socket>()) {
    endpoint->answer = std::move(answer);
    // A silent server never accepts: the kernel completes the handshakes on its own.
    uint16_t bound = 0;
    endpoint->fd = BindLoopback(kind == Kind::Closed ? 0 : 16, bound);
    if (endpoint->fd < 0) {
        return;
    }
    port = bound;
    if (kind == Kind::Answering) {
        endpoint->thread = std::thread(&Socket::Answer, endpoint.get());
    }
}

FakeServer::~FakeServer() = default;

// Reads each request up to its blank line, answers and hangs up.
void FakeServer::Socket::Answer() {
    for (int served = 0; served < kMaxConnections && !stop;) {
        pollfd waiting{fd, POLLIN, 0};
        if (poll(&waiting, 1, kPollMs) != 1) continue;
        const int client = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        ++served;
        std::string request;
        char buffer[4096];
        for (int reads = 0; reads < kMaxReadsPerRequest && request.find("\r\n\r\n") == std::string::npos; ++reads) {
            pollfd readable{client, POLLIN, 0};
            if (poll(&readable, 1, kPollMs) != 1) continue;
            const ssize_t n = recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            request.append(buffer, static_cast<std::size_t>(n));
        }
        send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
        close(client);
    }
}

}  // namespace skyflume::test
