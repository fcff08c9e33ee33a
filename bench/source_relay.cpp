#include "source_relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "support/loopback_socket.h"

namespace {

constexpr int kPollMs = 100;
constexpr size_t kReadBytes = 65536;
constexpr std::string_view kHeadEnd = "\r\n\r\n";
// A peer that takes nothing for this long ends its connection.
constexpr timeval kSendTimeout{10, 0};

int ConnectToLoopback(uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Blocks until everything is sent, as long as the peer takes it.
bool SendAll(int fd, const char* bytes, size_t count) {
    while (count > 0) {
        const ssize_t sent = send(fd, bytes, count, MSG_NOSIGNAL);
        if (sent <= 0) {
            return false;
        }
        bytes += sent;
        count -= static_cast<size_t>(sent);
    }
    return true;
}

// The head of an HTTP message, collected piece by piece until its blank line.
struct Head {
    std::string text;
    bool complete = false;

    // Answers how many of the bytes belong to the head.
    size_t Take(const char* bytes, size_t count) {
        if (complete) {
            return 0;
        }
        const size_t before = text.size();
        text.append(bytes, count);
        const size_t end = text.find(kHeadEnd, before >= kHeadEnd.size() ? before - kHeadEnd.size() + 1 : 0);
        if (end == std::string::npos) {
            return count;
        }
        complete = true;
        text.resize(end + kHeadEnd.size());
        return text.size() - before;
    }
};

// "PUT /mount HTTP/1.1" -> "/mount".
std::string MountOf(const std::string& requestHead) {
    const size_t start = requestHead.find(' ');
    const size_t end = requestHead.find(' ', start + 1);
    return start == std::string::npos || end == std::string::npos ? std::string()
                                                                  : requestHead.substr(start + 1, end - start - 1);
}

}  // namespace

std::optional<SourceTraffic::Clock::time_point> SourceTraffic::FirstBodyByteAfter(Clock::time_point after) const {
    const std::lock_guard lock(mutex);
    const auto found = std::upper_bound(arrivals.begin(), arrivals.end(), after);
    if (found == arrivals.end()) {
        return std::nullopt;
    }
    return *found;
}

std::string SourceTraffic::Body() const {
    const std::lock_guard lock(mutex);
    return body;
}

void SourceTraffic::Note(const char* bytes, size_t count, Clock::time_point when) {
    {
        const std::lock_guard lock(mutex);
        arrivals.push_back(when);
        if (keepBody) {
            body.append(bytes, count);
        }
    }
    bodyBytes.fetch_add(static_cast<int64_t>(count), std::memory_order_release);
}

SourceRelay::SourceRelay(uint16_t serverPort) : serverPort(serverPort) {
    uint16_t bound = 0;
    listener = skyflume::test::BindLoopback(16, bound);
    if (listener < 0) {
        return;
    }
    port = bound;
    acceptor = std::thread([this] { Accept(); });
}

SourceRelay::~SourceRelay() {
    stopping = true;
    if (acceptor.joinable()) {
        acceptor.join();
    }
    for (std::thread& connection : connections) {
        connection.join();
    }
    if (listener >= 0) {
        close(listener);
    }
}

std::shared_ptr<SourceTraffic> SourceRelay::Watch(const std::string& mount, bool keepBody) {
    auto traffic = std::make_shared<SourceTraffic>(keepBody);
    const std::lock_guard lock(mutex);
    watched[mount] = traffic;
    return traffic;
}

std::shared_ptr<SourceTraffic> SourceRelay::TrafficOf(const std::string& requestHead) {
    const std::lock_guard lock(mutex);
    const auto found = watched.find(MountOf(requestHead));
    if (found == watched.end()) {
        return nullptr;
    }
    auto traffic = found->second;
    watched.erase(found);
    return traffic;
}

void SourceRelay::Accept() {
    while (!stopping) {
        pollfd waiting{listener, POLLIN, 0};
        if (poll(&waiting, 1, kPollMs) <= 0) {
            continue;
        }
        const int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            continue;
        }
        const std::lock_guard lock(mutex);
        connections.emplace_back([this, client] { Relay(client); });
    }
}

// Until either side closes or the relay stops.
void SourceRelay::Relay(int client) {
    const int server = ConnectToLoopback(serverPort);
    setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &kSendTimeout, sizeof kSendTimeout);
    setsockopt(server, SOL_SOCKET, SO_SNDTIMEO, &kSendTimeout, sizeof kSendTimeout);
    Head request;
    Head answer;
    std::shared_ptr<SourceTraffic> traffic;
    std::vector<char> buffer(kReadBytes);
    while (server >= 0 && !stopping) {
        pollfd ends[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        if (poll(ends, 2, kPollMs) <= 0) {
            continue;
        }
        if (ends[1].revents != 0) {
            const ssize_t got = recv(server, buffer.data(), buffer.size(), 0);
            if (got <= 0) {
                break;
            }
            // Only the server's first answer goes back ("100 Continue" to a
            // source that waits for it). Sources never read what follows,
            // and Linux resets a connection closed with unread bytes,
            // dropping what the source has not sent yet.
            const bool answeredBefore = answer.complete;
            answer.Take(buffer.data(), static_cast<size_t>(got));
            if (!answeredBefore && answer.complete && !SendAll(client, answer.text.data(), answer.text.size())) {
                break;
            }
        }
        if (ends[0].revents == 0) {
            continue;
        }
        const ssize_t got = recv(client, buffer.data(), buffer.size(), 0);
        if (got <= 0) {
            break;
        }
        const auto arrived = SourceTraffic::Clock::now();
        const bool headBefore = request.complete;
        const size_t headBytes = request.Take(buffer.data(), static_cast<size_t>(got));
        if (!headBefore && request.complete) {
            traffic = TrafficOf(request.text);
        }
        if (traffic && static_cast<size_t>(got) > headBytes) {
            traffic->Note(buffer.data() + headBytes, static_cast<size_t>(got) - headBytes, arrived);
        }
        if (!SendAll(server, buffer.data(), static_cast<size_t>(got))) {
            break;
        }
    }
    if (server >= 0) {
        close(server);
    }
    close(client);
    if (traffic) {
        traffic->Close();
    }
}
