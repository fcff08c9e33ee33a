// The port as one that the test services host holds on the Linux side for
// this Windows program.

#include "support/fake_server.h"

#include "support/services_client.h"

namespace skyflume::test {

struct FakeServer::Socket {
    // The host's name for the port; empty when it holds none.
    std::string id;
};

FakeServer::FakeServer(Kind kind, std::string answer) : socket_(std::make_unique<Socket>()) {
    const Message held = AskServices({"fake.new", std::to_string(static_cast<int>(kind)), answer});
    if (held.size() == 2) {
        socket_->id = held[0];
        port_ = static_cast<uint16_t>(std::stoi(held[1]));
    }
}

FakeServer::~FakeServer() {
    AskServices({"fake.delete", socket_->id});
}

}  // namespace skyflume::test
