#include "host/app/audio_clock.h"

#include <algorithm>
#include <vector>

AudioClock::AudioClock(std::unique_ptr<AudioSource> source, int sampleRate, BlockHandler onBlock, EndHandler onEnd,
                       std::chrono::microseconds blockLength)
    : source(std::move(source)),
      sampleRate(sampleRate),
      framesPerBlock(static_cast<int32_t>(std::max<int64_t>(1, int64_t{sampleRate} * blockLength.count() / 1000000))),
      onBlock(std::move(onBlock)),
      onEnd(std::move(onEnd)),
      thread([this] { Run(); }) {}

AudioClock::~AudioClock() {
    Stop();
}

void AudioClock::Stop() {
    {
        std::lock_guard lock(mutex);
        stopRequested = true;
    }
    wake.notify_all();
    source->Interrupt();
    if (thread.joinable()) {
        thread.join();
    }
}

// Exact in integers for any length of run: whole seconds and the rest apart.
std::chrono::steady_clock::duration AudioClock::PlayTime(int64_t frames) const {
    const auto seconds = std::chrono::seconds(frames / sampleRate);
    const auto rest = std::chrono::nanoseconds((frames % sampleRate) * 1000000000 / sampleRate);
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(seconds + rest);
}

bool AudioClock::StopRequested() {
    std::lock_guard lock(mutex);
    return stopRequested;
}

void AudioClock::Run() {
    std::vector<float> block(2 * static_cast<std::size_t>(framesPerBlock));
    const auto start = std::chrono::steady_clock::now();
    int64_t played = 0;
    for (;;) {
        const int got = source->Read(block.data(), framesPerBlock);
        // A Read cut short by Stop is not the end of the input.
        if (StopRequested()) {
            return;
        }
        if (got > 0) {
            onBlock(block.data(), got);
        }
        if (got < framesPerBlock) {
            ended = true;
            if (onEnd) {
                onEnd();
            }
            return;
        }
        played += got;
        std::unique_lock lock(mutex);
        if (wake.wait_until(lock, start + PlayTime(played), [this] { return stopRequested; })) {
            return;
        }
    }
}
