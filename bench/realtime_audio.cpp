#include "realtime_audio.h"

#include <pthread.h>
#include <sched.h>

#include "support/heap_calls.h"

namespace {

// Above every ordinary thread, below the kernel's own.
constexpr int kRealTimePriority = 10;

}  // namespace

RealTimeAudio::RealTimeAudio(std::vector<SXAudioCallback*> callbacks, std::span<const float> signal, int32_t rate,
                             size_t maxCalls)
    : callbacks(std::move(callbacks)), signal(signal), blockFrames(rate / 100), record(maxCalls) {
    thread = std::thread([this] { Run(); });
}

RealTimeAudio::~RealTimeAudio() {
    stop = true;
    thread.join();
}

void RealTimeAudio::Run() {
    const sched_param priority{kRealTimePriority};
    realTime = pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority) == 0;
    skyflume::test::CountHeapCallsOnThisThread();
    const auto blocks = static_cast<int64_t>(signal.size() / 2) / blockFrames;
    auto deadline = Clock::now();
    for (int64_t block = 0; !stop; block = (block + 1) % blocks) {
        const float* samples = signal.data() + 2 * block * blockFrames;
        for (SXAudioCallback* callback : callbacks) {
            const auto start = Clock::now();
            callback->OnAudio(nullptr, samples, blockFrames);
            const size_t index = timed.load(std::memory_order_relaxed);
            if (index < record.size()) {
                record[index] = {start, std::chrono::duration<double>(Clock::now() - start).count()};
                timed.store(index + 1, std::memory_order_release);
            }
        }
        deadline += std::chrono::milliseconds(10);
        std::this_thread::sleep_until(deadline);
    }
}
