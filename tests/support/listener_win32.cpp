// The listener as one that the test services host runs on the Linux side for
// this Windows program.

#include "support/listener.h"

#include "support/service_messages.h"
#include "support/services_client.h"

namespace skyflume::test {
namespace {

std::string Milliseconds(std::chrono::milliseconds time) {
    return std::to_string(time.count());
}

}  // namespace

struct Listener::Session {
    // The host's name for the listener; empty when it made none.
    std::string id;
};

Listener::Listener(ListenerOptions options) : session(std::make_unique<Session>()) {
    const Message answer =
        AskServices({"listener.new", Milliseconds(options.ioTimeout), std::to_string(options.keepSeconds)});
    if (!answer.empty()) {
        session->id = answer.front();
    }
}

Listener::~Listener() {
    AskServices({"listener.delete", session->id});
}

void Listener::Start(const std::string& url) {
    AskServices({"listener.start", session->id, url});
}

ListenResult Listener::StopAndJoin() {
    return ListenResultFrom(AskServices({"listener.stop", session->id}));
}

bool Listener::WaitForSeconds(double seconds, std::chrono::milliseconds timeout) {
    return AskServices({"listener.seconds", session->id, std::to_string(seconds), Milliseconds(timeout)}) ==
           Message{"1"};
}

bool Listener::WaitForEnd(std::chrono::milliseconds timeout) {
    return AskServices({"listener.end", session->id, Milliseconds(timeout)}) == Message{"1"};
}

ListenResult Listener::Snapshot() const {
    return ListenResultFrom(AskServices({"listener.snapshot", session->id}));
}

}  // namespace skyflume::test
