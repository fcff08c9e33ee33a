#include "support/http_get.h"

#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace skyflume::test {
namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Non-blocking connect bounded by the deadline; returns a blocking-mode fd or -1.
int ConnectBefore(const std::string& host, uint16_t port, Clock::time_point deadline) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    if (inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1) return -1;
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (errno != EINPROGRESS) {
            close(fd);
            return -1;
        }
        pollfd p{fd, POLLOUT, 0};
        int error = 0;
        socklen_t len = sizeof error;
        if (poll(&p, 1, RemainingMs(deadline)) != 1 ||
            getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0 || error != 0) {
            close(fd);
            return -1;
        }
    }
    return fd;
}

std::string Base64(const std::string& in) {
    static const char* const table =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < in.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(in[i]) << 16) |
                           (static_cast<unsigned char>(in[i + 1]) << 8) |
                           static_cast<unsigned char>(in[i + 2]);
        out += {table[(v >> 18) & 63], table[(v >> 12) & 63], table[(v >> 6) & 63], table[v & 63]};
    }
    if (i + 1 == in.size()) {
        const unsigned v = static_cast<unsigned char>(in[i]) << 16;
        out += {table[(v >> 18) & 63], table[(v >> 12) & 63], '=', '='};
    } else if (i + 2 == in.size()) {
        const unsigned v = (static_cast<unsigned char>(in[i]) << 16) |
                           (static_cast<unsigned char>(in[i + 1]) << 8);
        out += {table[(v >> 18) & 63], table[(v >> 12) & 63], table[(v >> 6) & 63], '='};
    }
    return out;
}

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

void ParseHead(const std::string& head, HttpResponse& response) {
    std::size_t pos = head.find("\r\n");
    const std::string statusLine = head.substr(0, pos);
    const std::size_t space = statusLine.find(' ');
    if (space == std::string::npos) return;
    response.status = std::atoi(statusLine.c_str() + space + 1);
    response.ok = response.status > 0;
    while (pos != std::string::npos && pos + 2 < head.size()) {
        const std::size_t next = head.find("\r\n", pos + 2);
        const std::string line = head.substr(pos + 2, next == std::string::npos ? std::string::npos : next - pos - 2);
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos) {
            std::string name = Trim(line.substr(0, colon));
            for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            response.headers[name] = Trim(line.substr(colon + 1));
        }
        pos = next;
    }
}

}  // namespace

bool CanConnect(const std::string& host, uint16_t port, std::chrono::milliseconds timeout) {
    const int fd = ConnectBefore(host, port, Clock::now() + timeout);
    if (fd < 0) return false;
    close(fd);
    return true;
}

HttpResponse HttpGet(const std::string& host, uint16_t port, const std::string& path,
                     const HttpGetOptions& options) {
    HttpResponse response;
    const auto deadline = Clock::now() + options.timeout;
    const int fd = ConnectBefore(host, port, deadline);
    if (fd < 0) {
        response.error = "connect failed";
        return response;
    }
    std::string request = "GET " + path + " HTTP/1.0\r\nHost: " + host + ":" + std::to_string(port) +
                           "\r\nUser-Agent: skyflume-tests\r\n";
    if (!options.basicAuthUser.empty())
        request += "Authorization: Basic " +
                   Base64(options.basicAuthUser + ":" + options.basicAuthPassword) + "\r\n";
    request += "\r\n";

    std::size_t sent = 0;
    while (sent < request.size()) {
        pollfd p{fd, POLLOUT, 0};
        if (poll(&p, 1, RemainingMs(deadline)) != 1) break;
        const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
    }
    if (sent < request.size()) {
        close(fd);
        response.error = "send failed";
        return response;
    }

    std::string data;
    std::size_t headEnd = std::string::npos;
    char buffer[16384];
    for (;;) {
        if (headEnd != std::string::npos && data.size() - headEnd - 4 >= options.maxBodyBytes) break;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, RemainingMs(deadline)) != 1) {
            response.error = "timed out";
            break;
        }
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        data.append(buffer, static_cast<std::size_t>(n));
        if (headEnd == std::string::npos) headEnd = data.find("\r\n\r\n");
    }
    close(fd);
    if (headEnd == std::string::npos) {
        if (response.error.empty()) response.error = "no response head";
        return response;
    }
    ParseHead(data.substr(0, headEnd), response);
    response.body = data.substr(headEnd + 4, options.maxBodyBytes);
    return response;
}

}  // namespace skyflume::test
