#include "signal_state.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <ctime>

#include "platform/windows_api.h"

namespace platform {
namespace {

static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t) && std::atomic<uint32_t>::is_always_lock_free);

uint32_t* Address(std::atomic<uint32_t>& word) {
    return reinterpret_cast<uint32_t*>(&word);
}

// Sleeps while the word still holds `seen`, for at most `timeout` when one
// is given; returns early on a wake, a change or a signal alike.
void FutexWait(std::atomic<uint32_t>& word, uint32_t seen, const timespec* timeout) {
    syscall(SYS_futex, Address(word), FUTEX_WAIT_PRIVATE, seen, timeout, nullptr, 0);
}

void FutexWake(std::atomic<uint32_t>& word, int count) {
    syscall(SYS_futex, Address(word), FUTEX_WAKE_PRIVATE, count, nullptr, nullptr, 0);
}

}  // namespace

// One atomic operation, then at most one system call on the word's address.
// Nothing touches the object after the operation: a waiter that sees the
// state may destroy it at once (wait for "done", then CloseHandle), and a
// wake on an address no longer in use only wakes nobody, or a futex waiter
// elsewhere that rechecks its own word.
void SignalState::Set() {
    const int wakeCount = manualReset ? INT_MAX : 1;
    const uint32_t before = word.fetch_or(kSignalled);
    if ((before & kSignalled) == 0 && before >= kWaiter) FutexWake(word, wakeCount);
}

void SignalState::Reset() {
    word.fetch_and(~kSignalled);
}

// True when the state was signalled, consuming it for an auto-reset state;
// otherwise `seen` is the word as it stood.
bool SignalState::TryConsume(uint32_t& seen) {
    seen = word.load();
    while ((seen & kSignalled) != 0) {
        if (manualReset || word.compare_exchange_weak(seen, seen & ~kSignalled)) return true;
    }
    return false;
}

uint32_t SignalState::Wait(uint32_t timeoutMs) {
    uint32_t seen = 0;
    if (TryConsume(seen)) return WAIT_OBJECT_0;
    if (timeoutMs == 0) return WAIT_TIMEOUT;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    word.fetch_add(kWaiter);
    uint32_t result = WAIT_TIMEOUT;
    for (;;) {
        if (TryConsume(seen)) {
            result = WAIT_OBJECT_0;
            break;
        }
        if (timeoutMs == INFINITE) {
            FutexWait(word, seen, nullptr);
            continue;
        }
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero()) break;
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        const timespec timeout{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
        FutexWait(word, seen, &timeout);
    }
    word.fetch_sub(kWaiter);
    return result;
}

}  // namespace platform
