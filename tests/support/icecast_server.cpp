#include "support/icecast_server.h"

#include <thread>

namespace skyflume::test {
namespace {

// Asks `done` every 50 ms until it holds; false when the time is up first.
template <class Condition>
bool PollUntil(Condition done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace

std::string IcecastServer::MountUrl() const {
    return "http://" + Host() + ":" + std::to_string(port) + options.mount;
}

std::string IcecastServer::SourceUrl() const {
    return "icecast://" + options.sourceUser + ":" + options.sourcePassword + "@" + Host() + ":" +
           std::to_string(port) + options.mount;
}

bool IcecastServer::SourceConnected(std::chrono::milliseconds timeout) const {
    return PollUntil([this] { return MountStatus().has_value(); }, timeout);
}

bool IcecastServer::SourceGone(std::chrono::milliseconds timeout) const {
    return PollUntil([this] { return !StatusJson().empty() && !MountStatus(); }, timeout);
}

}  // namespace skyflume::test
