#include "support/services_client.h"

#include <winsock2.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace skyflume::test {
namespace {

class Connection {
public:
    ~Connection() {
        if (socket != INVALID_SOCKET) {
            closesocket(socket);
        }
    }

    Message Ask(const Message& request) {
        const std::lock_guard lock(mutex);
        if (socket == INVALID_SOCKET && !Connect()) {
            return {};
        }
        const std::string bytes = Encode(request);
        if (send(socket, bytes.data(), static_cast<int>(bytes.size()), 0) != static_cast<int>(bytes.size())) {
            return Fail(request, "the connection broke");
        }
        std::string received;
        for (;;) {
            if (std::optional<Message> answer = TakeMessage(received)) {
                if (answer->empty() || answer->front() != "ok") {
                    return Fail(request, answer->size() > 1 ? answer->at(1) : "no answer");
                }
                answer->erase(answer->begin());
                return *answer;
            }
            char buffer[65536];
            const int n = recv(socket, buffer, sizeof buffer, 0);
            if (n <= 0) {
                return Fail(request, "the connection broke");
            }
            received.append(buffer, static_cast<std::size_t>(n));
        }
    }

private:
    bool Connect() {
        const char* port = std::getenv(kServicesPortVariable);
        WSADATA data;
        if (port == nullptr || WSAStartup(MAKEWORD(2, 2), &data) != 0) {
            std::fprintf(stderr, "no test services host: run this program under test_services_host\n");
            return false;
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<u_short>(std::atoi(port)));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (socket == INVALID_SOCKET ||
            connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            std::fprintf(stderr, "the test services host on port %s cannot be reached\n", port);
            closesocket(socket);
            socket = INVALID_SOCKET;
            return false;
        }
        return true;
    }

    static Message Fail(const Message& request, const std::string& why) {
        std::fprintf(stderr, "test services host, %s: %s\n", request.front().c_str(), why.c_str());
        return {};
    }

    std::mutex mutex;
    SOCKET socket = INVALID_SOCKET;
};

}  // namespace

Message AskServices(const Message& request) {
    static Connection connection;
    return connection.Ask(request);
}

}  // namespace skyflume::test
