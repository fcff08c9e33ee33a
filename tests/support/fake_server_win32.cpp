// The port as one that the test services host holds on the Linux side for
// this Windows program.

#include "support/fake_server.h"

#include "support/services_client.h"

namespace skyflume::test {

struct FakeServer::Socket {
    // The host's name for the port; empty when it holds none.
    std::string id;
};

FakeServer::FakeServer(Kind kind, std::string answer) : endpoint(std::make_unique<Socket>()) {
    const Message held = AskServices({"fake.new", std::to_string(static_cast<int>(kind)), answer});
    if (held.size() == 2) {
        endpoint->id = held[0];
        port = static_cast<uint16_t>(std::stoi(held[1]));
    }
}

FakeServer::~FakeServer() {
    AskServices({"fake.delete", endpoint->id});
}

}  // namespace skyflume::test
