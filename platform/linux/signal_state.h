#pragma once

// The signalled/non-signalled state shared by events and thread handles.

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace platform {

class SignalState {
public:
    explicit SignalState(bool manualReset, bool initialState) : manualReset(manualReset), signalled(initialState) {}

    // Sets the state and wakes the waiters (all of them for a manual-reset
    // state, one for an auto-reset one). Setting it twice is setting it once.
    void Set();
    void Reset();
    // WAIT_OBJECT_0 or WAIT_TIMEOUT; an auto-reset state is consumed by the
    // wait that sees it. timeoutMs INFINITE waits without limit.
    uint32_t Wait(uint32_t timeoutMs);

private:
    std::mutex mutex;
    std::condition_variable changed;
    const bool manualReset;
    bool signalled;
};

}  // namespace platform
