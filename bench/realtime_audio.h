#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <span>
#include <thread>
#include <vector>

#include "plugin_sdk/host_listeners.h"

// A host's audio thread for the benchmarks: hands every callback the test
// signal in blocks of the given size, each block at its own deadline at the
// given rate, as a sound card would ask for it, and times every call. Once it runs it allocates nothing:
// the times go into room made beforehand, and its heap calls are counted
// (support/heap_calls). It asks for real-time scheduling, as hosts do for
// their audio thread, where the system grants it.
class RealTimeAudio {
public:
    using Clock = std::chrono::steady_clock;

    struct Call {
        Clock::time_point start;
        double seconds;
    };

    // Room for `maxCalls` timed calls; later calls go untimed.
    RealTimeAudio(std::vector<SXAudioCallback*> callbacks, std::span<const float> signal, int32_t rate,
                  int32_t blockFrames, size_t maxCalls);
    // Stops the thread and waits for it.
    ~RealTimeAudio();
    RealTimeAudio(const RealTimeAudio&) = delete;
    RealTimeAudio& operator=(const RealTimeAudio&) = delete;

    // Calls timed so far; the first Timed() entries of Record() are final.
    size_t Timed() const { return timed.load(std::memory_order_acquire); }
    const std::vector<Call>& Record() const { return record; }
    // Whether the system granted real-time scheduling.
    bool RealTime() const { return realTime.load(); }
    int32_t BlockFrames() const { return blockFrames; }

private:
    void Run();

    const std::vector<SXAudioCallback*> callbacks;
    const std::span<const float> signal;
    const int32_t rate;
    const int32_t blockFrames;
    std::vector<Call> record;
    std::atomic<size_t> timed{0};
    std::atomic<bool> realTime{false};
    std::atomic<bool> stop{false};
    std::thread thread;  // last, so that it starts with everything above in place
};
