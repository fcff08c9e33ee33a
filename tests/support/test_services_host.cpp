// The Linux side of a Windows test program under Wine: runs the program with
// SKYFLUME_TEST_SERVICES naming a loopback port on which it then starts real
// icecast2 servers, listeners and fake servers for the program, and answers
// their calls, as the program asks (support/service_messages.h). Everything
// it made goes when the program has ended. Exits with the program's status.
//
// Usage: test_services_host COMMAND...
// COMMAND runs the Windows program, e.g. wine-run.sh test_worker.exe.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/fake_server.h"
#include "support/icecast_server.h"
#include "support/listener.h"
#include "support/loopback_socket.h"
#include "support/service_messages.h"

namespace skyflume::test {
namespace {

constexpr int kPollMs = 100;

std::string Flag(bool value) {
    return value ? "1" : "0";
}

std::chrono::milliseconds Milliseconds(const std::string& text) {
    return std::chrono::milliseconds(std::stoll(text));
}

// Objects of one kind by the names handed out for them.
template <class Object>
class Named {
public:
    std::string Add(std::unique_ptr<Object> object, int& lastId) {
        const std::string id = std::to_string(++lastId);
        objects[id] = std::move(object);
        return id;
    }
    Object& At(const std::string& id) {
        const auto found = objects.find(id);
        if (found == objects.end()) {
            throw std::invalid_argument("nothing is named " + id);
        }
        return *found->second;
    }
    void Remove(const std::string& id) {
        At(id);
        objects.erase(id);
    }

private:
    std::map<std::string, std::unique_ptr<Object>> objects;
};

class Services {
public:
    // "ok" and the fields of the answer, or "error" and why.
    Message Answer(const Message& request) {
        try {
            const auto handler = handlers.find(request.at(0));
            if (handler == handlers.end()) {
                throw std::invalid_argument("unknown request");
            }
            Message answer = handler->second(request);
            answer.insert(answer.begin(), "ok");
            return answer;
        } catch (const std::exception& error) {
            return {"error", error.what()};
        }
    }

private:
    using Handler = std::function<Message(const Message&)>;

    // A handler for a call that does something and answers nothing more than "ok".
    template <class Action>
    static Handler Acting(Action action) {
        return [action](const Message& r) {
            action(r);
            return Message{};
        };
    }

    IcecastServer& Server(const Message& r) { return servers.At(r.at(1)); }
    Listener& TheListener(const Message& r) { return listeners.At(r.at(1)); }

    int lastId = 0;
    // Destroyed in reverse: fake servers and listeners go before the servers
    // they may be connected to.
    Named<IcecastServer> servers;
    Named<Listener> listeners;
    Named<FakeServer> fakeServers;
    const std::map<std::string, Handler> handlers{
        {"icecast.new",
         [this](const Message& r) {
             const IcecastOptions options{.mount = r.at(1),
                                          .sourceUser = r.at(2),
                                          .sourcePassword = r.at(3),
                                          .generalSourcePassword = r.at(4),
                                          .fixedPort = static_cast<uint16_t>(std::stoi(r.at(5)))};
             return Message{servers.Add(std::make_unique<IcecastServer>(options), lastId)};
         }},
        {"icecast.start",
         [this](const Message& r) {
             IcecastServer& server = Server(r);
             const bool started = server.Start();
             return Message{Flag(started), std::to_string(server.Port()), server.LastError()};
         }},
        {"icecast.stop", Acting([this](const Message& r) { Server(r).Stop(); })},
        {"icecast.kill", Acting([this](const Message& r) { Server(r).Kill(); })},
        {"icecast.running", [this](const Message& r) { return Message{Flag(Server(r).Running())}; }},
        {"icecast.folder", [this](const Message& r) { return Message{Server(r).Folder()}; }},
        {"icecast.errorlog", [this](const Message& r) { return Message{Server(r).ErrorLog()}; }},
        {"icecast.status", [this](const Message& r) { return Message{Server(r).StatusJson()}; }},
        {"icecast.mount",
         [this](const Message& r) {
             const auto fields = Server(r).MountStatus();
             Message answer{Flag(fields.has_value())};
             AppendFields(answer, fields.value_or(std::map<std::string, std::string>{}));
             return answer;
         }},
        {"icecast.delete", Acting([this](const Message& r) { servers.Remove(r.at(1)); })},
        {"listener.new",
         [this](const Message& r) {
             const ListenerOptions options{.ioTimeout = Milliseconds(r.at(1)), .keepSeconds = std::stod(r.at(2))};
             return Message{listeners.Add(std::make_unique<Listener>(options), lastId)};
         }},
        {"listener.start", Acting([this](const Message& r) { TheListener(r).Start(r.at(2)); })},
        {"listener.seconds",
         [this](const Message& r) {
             return Message{Flag(TheListener(r).WaitForSeconds(std::stod(r.at(2)), Milliseconds(r.at(3))))};
         }},
        {"listener.end",
         [this](const Message& r) { return Message{Flag(TheListener(r).WaitForEnd(Milliseconds(r.at(2))))}; }},
        {"listener.snapshot", [this](const Message& r) { return ListenResultFields(TheListener(r).Snapshot()); }},
        {"listener.stop", [this](const Message& r) { return ListenResultFields(TheListener(r).StopAndJoin()); }},
        {"listener.delete", Acting([this](const Message& r) { listeners.Remove(r.at(1)); })},
        {"fake.new",
         [this](const Message& r) {
             const int kind = std::stoi(r.at(1));
             if (kind < 0 || kind > static_cast<int>(FakeServer::Kind::Answering)) {
                 throw std::invalid_argument("no such kind of fake server");
             }
             auto server = std::make_unique<FakeServer>(static_cast<FakeServer::Kind>(kind), r.at(2));
             const std::string port = std::to_string(server->Port());
             return Message{fakeServers.Add(std::move(server), lastId), port};
         }},
        {"fake.delete", Acting([this](const Message& r) { fakeServers.Remove(r.at(1)); })},
    };
};

bool SendAll(int fd, const std::string& bytes) {
    for (std::size_t sent = 0; sent < bytes.size();) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

// Answers the program's requests, on one connection after another (the
// program holds one for its whole run), for as long as the program runs.
void Serve(int listening, ChildProcess& program, Services& services) {
    int connection = -1;
    std::string received;
    while (program.Running()) {
        pollfd watched{connection >= 0 ? connection : listening, POLLIN, 0};
        if (poll(&watched, 1, kPollMs) <= 0) {
            continue;
        }
        if (connection < 0) {
            connection = accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
            received.clear();
            continue;
        }
        char buffer[65536];
        const ssize_t n = recv(connection, buffer, sizeof buffer, 0);
        bool open = n > 0;
        if (open) {
            received.append(buffer, static_cast<std::size_t>(n));
        }
        while (open) {
            const std::optional<Message> request = TakeMessage(received);
            if (!request) {
                break;
            }
            open = SendAll(connection, Encode(services.Answer(*request)));
        }
        if (!open) {
            close(connection);
            connection = -1;
        }
    }
    if (connection >= 0) {
        close(connection);
    }
}

}  // namespace
}  // namespace skyflume::test

int main(int argc, char** argv) {
    using namespace skyflume::test;
    if (argc < 2) {
        std::fprintf(stderr, "usage: test_services_host COMMAND...\n");
        return 2;
    }
    uint16_t port = 0;
    const int listening = BindLoopback(4, port);
    if (listening < 0) {
        std::fprintf(stderr, "test_services_host: no loopback port to listen on\n");
        return 1;
    }
    setenv(kServicesPortVariable, std::to_string(port).c_str(), 1);
    // /usr/bin/env finds the command's first word in PATH, as a shell would.
    std::vector<std::string> command{"/usr/bin/env"};
    command.insert(command.end(), argv + 1, argv + argc);

    // Made before the program, so that what it holds goes after the program.
    Services services;
    ChildProcess program;
    if (!program.Spawn(command, "")) {
        std::fprintf(stderr, "test_services_host: cannot run %s\n", argv[1]);
        return 1;
    }
    Serve(listening, program, services);
    close(listening);
    const int status = program.ExitStatus().value_or(-1);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
