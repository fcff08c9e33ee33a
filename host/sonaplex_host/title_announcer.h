#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "host/sonaplex_host/failure_explanation.h"
#include "platform/non_copyable.h"

// Announces song titles to the server through Icecast's metadata update on
// the stream's mount, with the stream's own login, on a thread of its own so
// that a slow server never holds up the GUI thread. A newer title replaces
// one not yet sent. A failed update is only reported.
class TitleAnnouncer : NonCopyable {
public:
    TitleAnnouncer();
    // Gives up a request under way and waits for the thread.
    ~TitleAnnouncer();

    void Announce(const ConnectionSettings& settings, const std::string& title);
    // One line for each update done since the last call, oldest first.
    std::vector<std::string> TakeReports();

private:
    void Run();

    std::mutex mutex;
    std::condition_variable wake;
    std::optional<std::pair<ConnectionSettings, std::string>> pending;
    std::vector<std::string> reports;
    std::atomic<bool> stopping{false};
    std::thread thread;  // last, so that it starts with everything above in place
};
