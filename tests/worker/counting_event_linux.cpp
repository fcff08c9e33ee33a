// On Linux a handle may be any object with the three slots of a platform
// object, so the recorder is one: it waits on the real event inside.

#include "counting_event.h"

#include <atomic>

namespace skyflume::test {

struct CountingEvent::Recorder final : PlatformObject {
    explicit Recorder(CountingEvent& owner) : owner(owner), event(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~Recorder() { CloseHandle(event); }

    uint32_t Wait(uint32_t timeoutMs) override {
        const uint32_t answer = failWaits ? WAIT_FAILED : WaitForSingleObject(event, timeoutMs);
        owner.Record(timeoutMs, answer);
        return answer;
    }
    int32_t Signal() override { return SetEvent(event); }
    // The run closes what it is handed; the recorder goes with the CountingEvent.
    int32_t Close() override { return 1; }

    CountingEvent& owner;
    HANDLE event;
    std::atomic<bool> failWaits{false};
};

CountingEvent::CountingEvent() : recorder(std::make_unique<Recorder>(*this)) {}

CountingEvent::~CountingEvent() = default;

HANDLE CountingEvent::Handle() const {
    return recorder.get();
}

void CountingEvent::FailWaits() {
    recorder->failWaits = true;
}

}  // namespace skyflume::test
