#include "realtime_audio.h"

#include <pthread.h>
#include <sched.h>

#include "support/heap_calls.h"

namespace {

// Above every ordinary thread, below the kernel's own.
constexpr int kRealTimePriority = 10;

}  // namespace

RealTimeAudio::RealTimeAudio(std::vector<SXAudioCallback*> callbacks, std::span<const float> signal, int32_t rate,
                             int32_t blockFrames, size_t maxCalls)
    : callbacks(std::move(callbacks)), signal(signal), rate(rate), blockFrames(blockFrames), record(maxCalls) {
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
    const auto began = Clock::now();
    for (int64_t call = 1, block = 0; !stop; ++call, block = (block + 1) % blocks) {
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
        // From the start rather than from the last deadline, so that the
        // rounding of a block's length does not add up.
        std::this_thread::sleep_until(began + std::chrono::nanoseconds(call * blockFrames * 1'000'000'000LL / rate));
    }
}
