#include "floor_audio.h"

__attribute__((noinline)) void DeinterleaveCopy(const float* samples, int32_t frames, float* left, float* right) {
    for (int32_t i = 0; i < frames; ++i) {
        left[i] = samples[2 * i];
        right[i] = samples[2 * i + 1];
    }
}

Sleeper::Sleeper()
    : event(CreateEventW(nullptr, FALSE, FALSE, nullptr)), thread([this] {
          while (!stop) WaitForSingleObject(event, INFINITE);
      }) {}

Sleeper::~Sleeper() {
    stop = true;
    SetEvent(event);
    thread.join();
    CloseHandle(event);
}

void FloorAudio::OnAudio(void*, const float* samples, int32_t frameCount) {
    DeinterleaveCopy(samples, frameCount, left.data(), right.data());
    if (!wakes) return;
    sinceWake += frameCount;
    if (sinceWake >= kFloorBatchFrames) {
        sinceWake -= kFloorBatchFrames;
        sleeper.Wake();
    }
}
