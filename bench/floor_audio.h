#pragma once

// The least that handing a host's frames to a worker can cost: every frame
// split into two planes, and one wake of a sleeping thread for every batch
// of 1152 frames (one MP3 frame), as the worker is woken.

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "platform/windows_api.h"
#include "plugin_sdk/host_listeners.h"

constexpr int32_t kFloorBatchFrames = 1152;

// Every frame split into two planes.
void DeinterleaveCopy(const float* samples, int32_t frames, float* left, float* right);

// A thread that sleeps on an auto-reset event until it is woken, again and
// again, as the worker sleeps on its own.
class Sleeper {
public:
    Sleeper();
    ~Sleeper();
    Sleeper(const Sleeper&) = delete;
    Sleeper& operator=(const Sleeper&) = delete;

    void Wake() { SetEvent(event); }

private:
    HANDLE event;
    std::atomic<bool> stop{false};
    std::thread thread;  // last, so that it starts with everything above in place
};

// The floor as a host's audio callback, for calls of at most `maxFrames`;
// without `wakes`, the bare copy alone.
class FloorAudio final : public SXAudioCallback {
public:
    explicit FloorAudio(int32_t maxFrames, bool wakes = true) : wakes(wakes), left(maxFrames), right(maxFrames) {}

    int32_t QueryInterface(const GUID*, void**) override { return kENoInterface; }
    int32_t AddRef() override { return 1; }
    int32_t Release() override { return 1; }
    void OnAudio(void* reserved, const float* samples, int32_t frameCount) override;

private:
    const bool wakes;
    std::vector<float> left;
    std::vector<float> right;
    int64_t sinceWake = 0;
    Sleeper sleeper;
};
