#pragma once

#include <chrono>
#include <string>

// Tells the service manager how the service is, through libsystemd's
// sd_notify, when it started the host with NOTIFY_SOCKET set; does nothing
// otherwise. Called from the GUI thread's loop, so that a hung loop stops
// the watchdog's pings.
class ServiceNotifier {
public:
    ServiceNotifier();

    // READY=1: every stream has been clicked.
    void Ready();
    // STATUS=: the one-line state, sent when it changed, at most once a second.
    void Status(const std::string& line);
    // WATCHDOG=1, every half of the watchdog's interval when it is on.
    void Watchdog();
    // STOPPING=1.
    void Stopping();

private:
    using Clock = std::chrono::steady_clock;

    const bool notifying;
    Clock::duration pingInterval{};  // zero: no watchdog
    Clock::time_point lastPing;
    Clock::time_point lastStatus;
    std::string status;
};
