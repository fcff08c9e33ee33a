#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/non_copyable.h"

// How many listeners the server's public status page (status-json.xsl)
// shows on a mount, asked every 2 s on a thread of its own while a server
// is set. No login is sent: the page is public.
class ListenerCount : NonCopyable {
public:
    ListenerCount();
    // Gives up a request under way and waits for the thread.
    ~ListenerCount();

    // Where to ask from now on; an empty host stops asking.
    void Watch(const std::string& host, const std::string& port, const std::string& mount);
    // None while the page has not answered with the mount on it.
    std::optional<int> Listeners() const;

private:
    void Run();

    mutable std::mutex mutex;
    std::condition_variable wake;
    std::string host;
    std::string port;
    std::string mount;
    std::optional<int> listeners;
    std::atomic<bool> stopping{false};
    std::thread thread;  // last, so that it starts with everything above in place
};

// The listener count of `mount` in a status-json.xsl page; none when the
// page is no JSON or does not list the mount.
std::optional<int> ListenersInStatusPage(const std::string& json, const std::string& mount);
