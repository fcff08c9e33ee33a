#include "support/icecast_server.h"

#include <thread>

namespace skyflume::test {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(50);

}  // namespace

std::string IcecastServer::MountUrl() const {
    return "http://" + Host() + ":" + std::to_string(port) + options.mount;
}

std::string IcecastServer::SourceUrl() const {
    return "icecast://" + options.sourceUser + ":" + options.sourcePassword + "@" + Host() + ":" +
           std::to_string(port) + options.mount;
}

bool IcecastServer::SourceConnected(std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (MountStatus()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kPollInterval);
    }
}

bool IcecastServer::SourceGone(std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (!StatusJson().empty() && !MountStatus()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kPollInterval);
    }
}

}  // namespace skyflume::test
