#pragma once

// The worker's wake event for the tests: a real auto-reset event of the
// platform that records every wait the worker makes on it. Only one may
// live at a time.

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/non_copyable.h"
#include "platform/windows_api.h"

namespace skyflume::test {

class CountingEvent : NonCopyable {
public:
    CountingEvent();
    ~CountingEvent();

    // What the worker waits on and what is signalled to wake it, for one run,
    // which closes it; the waits stay recorded here.
    HANDLE Handle() const;
    // From now on every wait on Handle() fails at once, as one on a handle
    // that may not be waited on; signalling it still works. Handle() may
    // change, so it is handed out after this.
    void FailWaits();

    struct WaitRecord {
        uint32_t timeoutMs;
        uint32_t answer;
    };
    std::vector<WaitRecord> Waits() const {
        const std::lock_guard lock(mutex);
        return waits;
    }

private:
    // Each platform's: it sees the waits and records them here.
    struct Recorder;
    void Record(uint32_t timeoutMs, uint32_t answer) {
        const std::lock_guard lock(mutex);
        waits.push_back({timeoutMs, answer});
    }

    mutable std::mutex mutex;
    std::vector<WaitRecord> waits;
    std::unique_ptr<Recorder> recorder;
};

}  // namespace skyflume::test
