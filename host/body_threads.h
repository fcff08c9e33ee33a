#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/non_copyable.h"
#include "plugin_sdk/host_listeners.h"

// The threads a host starts for its plug-in. Each holds a reference on its
// body while Run runs; the handle, signalled when Run has returned, is the
// caller's to close. The module may be unloaded only once they are done.
class BodyThreads : NonCopyable {
public:
    BodyThreads() = default;
    // Waits for every thread started.
    ~BodyThreads();

    // Runs body->Run() on a new thread; *out receives its handle, or none
    // when no thread could be made.
    void Start(HANDLE* out, SXThread* body);
    // Waits until every thread started so far has let go of its body.
    void WaitAll();
    // The same, false if one is still running after the timeout.
    bool WaitAll(std::chrono::milliseconds timeout);

private:
    struct Launch;
    static DWORD RunBody(LPVOID parameter);

    std::mutex mutex;
    std::condition_variable ended;
    int running = 0;
};
