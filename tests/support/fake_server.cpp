#include "support/fake_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace skyflume::test {
namespace {

constexpr int kPollMs = 50;
constexpr int kMaxConnections = 100;
constexpr int kMaxReadsPerRequest = 100;

}  // namespace

FakeServer::FakeServer(Kind kind, std::string answer) : answer_(std::move(answer)) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        return;
    }
    port_ = ntohs(addr.sin_port);
    // A silent server never accepts: the kernel completes the handshakes on its own.
    if (kind != Kind::Closed && listen(fd_, 16) == 0 && kind == Kind::Answering) {
        thread_ = std::thread(&FakeServer::Answer, this);
    }
}

FakeServer::~FakeServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) close(fd_);
}

// Reads each request up to its blank line, answers and hangs up.
void FakeServer::Answer() {
    for (int served = 0; served < kMaxConnections && !stop_;) {
        pollfd waiting{fd_, POLLIN, 0};
        if (poll(&waiting, 1, kPollMs) != 1) continue;
        const int client = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
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
        send(client, answer_.data(), answer_.size(), MSG_NOSIGNAL);
        close(client);
    }
}

}  // namespace skyflume::test
