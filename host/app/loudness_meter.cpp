#include "host/app/loudness_meter.h"

#include <ebur128.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

namespace {

// How often the measuring thread takes what the ring holds: often enough
// for a meter's eye, and the ring holds many times as much.
constexpr auto kMeasureInterval = std::chrono::milliseconds(50);
constexpr int kRingSeconds = 2;
constexpr int64_t kMomentaryFrames = 4;   // tenths of a second
constexpr int64_t kShortTermFrames = 30;  // tenths of a second

double Decibels(double amplitude) {
    return amplitude > 0.0 ? 20.0 * std::log10(amplitude) : -std::numeric_limits<double>::infinity();
}

}  // namespace

struct LoudnessMeter::State {
    explicit State(int sampleRate)
        : meter(ebur128_init(2, static_cast<unsigned long>(sampleRate),
                             EBUR128_MODE_M | EBUR128_MODE_S | EBUR128_MODE_TRUE_PEAK)) {}
    ~State() { ebur128_destroy(&meter); }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    ebur128_state* meter;
};

LoudnessMeter::LoudnessMeter(int sampleRate)
    : framesPerSecond(sampleRate),
      capacity(int64_t{kRingSeconds} * sampleRate),
      ring(std::make_unique<float[]>(2 * capacity)),
      state(std::make_unique<State>(sampleRate)),
      thread([this] { Run(); }) {}

LoudnessMeter::~LoudnessMeter() {
    {
        const std::lock_guard lock(stopMutex);
        stopping = true;
    }
    stopWake.notify_all();
    thread.join();
}

void LoudnessMeter::Add(const float* interleaved, int32_t frameCount) {
    const int64_t end = written.load(std::memory_order_relaxed);
    if (end + frameCount - read.load(std::memory_order_acquire) > capacity) {
        return;
    }
    for (int32_t frame = 0; frame < frameCount; ++frame) {
        const int64_t at = (end + frame) % capacity;
        ring[2 * at] = interleaved[2 * frame];
        ring[2 * at + 1] = interleaved[2 * frame + 1];
    }
    written.store(end + frameCount, std::memory_order_release);
}

void LoudnessMeter::Run() {
    std::unique_lock lock(stopMutex);
    while (!stopWake.wait_for(lock, kMeasureInterval, [this] { return stopping; })) {
        const int64_t from = read.load(std::memory_order_relaxed);
        const int64_t to = written.load(std::memory_order_acquire);
        if (state->meter != nullptr && to > from) {
            Measure(from, to);
        }
        read.store(to, std::memory_order_release);
    }
}

void LoudnessMeter::Measure(int64_t from, int64_t to) {
    // The ring's frames in at most two runs, where it wraps.
    while (from < to) {
        const int64_t at = from % capacity;
        const int64_t count = std::min(to - from, capacity - at);
        ebur128_add_frames_float(state->meter, &ring[2 * at], static_cast<std::size_t>(count));
        double channelPeak = 0.0;
        for (unsigned int channel = 0; channel < 2; ++channel) {
            double value = 0.0;
            if (ebur128_prev_true_peak(state->meter, channel, &value) == EBUR128_SUCCESS) {
                channelPeak = std::max(channelPeak, value);
            }
        }
        peak = std::max(peak, channelPeak);
        peakFrames += static_cast<int32_t>(count);
        measured += count;
        from += count;
    }
    double momentary = 0.0;
    double shortTerm = 0.0;
    if (measured * 10 < kMomentaryFrames * framesPerSecond ||
        ebur128_loudness_momentary(state->meter, &momentary) != EBUR128_SUCCESS) {
        return;
    }
    const bool shortTermKnown = measured * 10 >= kShortTermFrames * framesPerSecond &&
                                ebur128_loudness_shortterm(state->meter, &shortTerm) == EBUR128_SUCCESS;
    const std::lock_guard lock(resultMutex);
    const std::optional<double> trueDbtp = peakFrames >= framesPerSecond ? std::optional(Decibels(peak))
                                           : last                        ? last->trueDbtp
                                                                         : std::nullopt;
    if (peakFrames >= framesPerSecond) {
        peak = 0.0;
        peakFrames = 0;
    }
    last = Loudness{momentary, shortTermKnown ? std::optional(shortTerm) : std::nullopt, trueDbtp};
}

std::optional<LoudnessMeter::Loudness> LoudnessMeter::Last() const {
    const std::lock_guard lock(resultMutex);
    return last;
}
