#pragma once

// The signalled/non-signalled state shared by events and thread handles.

#include <atomic>
#include <cstdint>

namespace platform {

// One word and the kernel's futex, with no lock: setting the state never
// waits for a waiter, so a real-time thread (the host's audio thread) may set
// an event that a thread of normal priority sleeps on.
class SignalState {
public:
    explicit SignalState(bool manualReset, bool initialState)
        : manualReset(manualReset), word(initialState ? kSignalled : 0) {}

    // Sets the state and wakes the waiters (all of them for a manual-reset
    // state, one for an auto-reset one). Setting it twice is setting it once.
    void Set();
    void Reset();
    // WAIT_OBJECT_0 or WAIT_TIMEOUT; an auto-reset state is consumed by the
    // wait that sees it. timeoutMs INFINITE waits without limit.
    uint32_t Wait(uint32_t timeoutMs);

private:
    // Bit 0 is the state; the bits above count the threads waiting.
    static constexpr uint32_t kSignalled = 1;
    static constexpr uint32_t kWaiter = 2;

    bool TryConsume(uint32_t& seen);

    const bool manualReset;
    std::atomic<uint32_t> word;
};

}  // namespace platform
