#include "host/app/audio_clock.h"

#include <algorithm>
#include <vector>

AudioClock::AudioClock(std::unique_ptr<AudioSource> source, int sampleRate, BlockHandler onBlock, EndHandler onEnd,
                       std::chrono::microseconds blockLength)
    : source_(std::move(source)),
      sampleRate_(sampleRate),
      framesPerBlock_(static_cast<int32_t>(std::max<int64_t>(1, int64_t{sampleRate} * blockLength.count() / 1000000))),
      onBlock_(std::move(onBlock)),
      onEnd_(std::move(onEnd)),
      thread_([this] { Run(); }) {}

AudioClock::~AudioClock() {
    Stop();
}

void AudioClock::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    wake_.notify_all();
    source_->Interrupt();
    if (thread_.joinable()) {
        thread_.join();
    }
}

// Exact in integers for any length of run: whole seconds and the rest apart.
std::chrono::steady_clock::duration AudioClock::PlayTime(int64_t frames) const {
    const auto seconds = std::chrono::seconds(frames / sampleRate_);
    const auto rest = std::chrono::nanoseconds((frames % sampleRate_) * 1000000000 / sampleRate_);
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(seconds + rest);
}

bool AudioClock::StopRequested() {
    std::lock_guard lock(mutex_);
    return stopRequested_;
}

void AudioClock::Run() {
    std::vector<float> block(2 * static_cast<std::size_t>(framesPerBlock_));
    const auto start = std::chrono::steady_clock::now();
    int64_t played = 0;
    for (;;) {
        const int got = source_->Read(block.data(), framesPerBlock_);
        // A Read cut short by Stop is not the end of the input.
        if (StopRequested()) {
            return;
        }
        if (got > 0) {
            onBlock_(block.data(), got);
        }
        if (got < framesPerBlock_) {
            ended_ = true;
            if (onEnd_) {
                onEnd_();
            }
            return;
        }
        played += got;
        std::unique_lock lock(mutex_);
        if (wake_.wait_until(lock, start + PlayTime(played), [this] { return stopRequested_; })) {
            return;
        }
    }
}
