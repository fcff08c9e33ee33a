#include "floor_audio.h"

__attribute__((noinline)) void DeinterleaveCopy(const float* samples, int32_t frames, float* left, float* right) {
    for (int32_t i = 0; i < frames; ++i) {
        left[i] = samples[2 * i];
        right[i] = samples[2 * i + 1];
    }
}

Sleeper::Sleeper() : thread([this] { Sleep(); }) {}

Sleeper::~Sleeper() {
    {
        const std::lock_guard lock(mutex);
        stop = true;
    }
    woken.notify_one();
    thread.join();
}

void Sleeper::Wake() {
    const std::lock_guard lock(mutex);
    signalled = true;
    woken.notify_one();
}

void Sleeper::Sleep() {
    std::unique_lock lock(mutex);
    while (!stop) {
        woken.wait(lock, [this] { return signalled || stop; });
        signalled = false;
    }
}

void FloorAudio::OnAudio(void*, const float* samples, int32_t frameCount) {
    DeinterleaveCopy(samples, frameCount, left.data(), right.data());
    sinceWake += frameCount;
    if (sinceWake >= kFloorBatchFrames) {
        sinceWake -= kFloorBatchFrames;
        sleeper.Wake();
    }
}
