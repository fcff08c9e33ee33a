#include "host/sonaplex_host/service_notifier.h"

#include <cstdint>
#include <cstdlib>

#include <systemd/sd-daemon.h>

namespace {

constexpr auto kStatusInterval = std::chrono::seconds(1);

}  // namespace

ServiceNotifier::ServiceNotifier() : notifying(std::getenv("NOTIFY_SOCKET") != nullptr) {
    uint64_t usec = 0;
    if (notifying && sd_watchdog_enabled(0, &usec) > 0) {
        pingInterval = std::chrono::microseconds(usec / 2);
    }
}

void ServiceNotifier::Ready() {
    if (notifying) {
        sd_notify(0, "READY=1");
    }
}

void ServiceNotifier::Status(const std::string& line) {
    const auto now = Clock::now();
    if (notifying && line != status && now - lastStatus >= kStatusInterval) {
        status = line;
        lastStatus = now;
        sd_notify(0, ("STATUS=" + line).c_str());
    }
}

void ServiceNotifier::Watchdog() {
    const auto now = Clock::now();
    if (pingInterval != Clock::duration::zero() && now - lastPing >= pingInterval) {
        lastPing = now;
        sd_notify(0, "WATCHDOG=1");
    }
}

void ServiceNotifier::Stopping() {
    if (notifying) {
        sd_notify(0, "STOPPING=1");
    }
}
