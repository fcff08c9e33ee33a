#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "host/app/audio_source.h"

// Keeps a station from dead air. The live input is silent once every block's
// peak has stayed below the threshold for `afterSeconds`, and it is back
// once every block's peak has stayed at or above it for `recoverSeconds`.
// With a fallback, what is handed on fades over to the fallback while the
// input is silent and back to the input once it is back; the input keeps
// being read all the while, so that it is heard the moment it returns.
class SilenceGuard {
public:
    struct Settings {
        double thresholdDbfs = -50.0;
        double afterSeconds = 15.0;
        double recoverSeconds = 5.0;
    };

    // `fallback` none: the guard only tells.
    SilenceGuard(const Settings& settings, int sampleRate, std::unique_ptr<AudioSource> fallback);

    // Audio thread: the frames to hand on in place of `live`'s, as many;
    // `live` itself while the input plays alone. Reads the fallback on this
    // thread, and neither allocates nor waits otherwise.
    const float* Process(const float* live, int32_t frameCount);
    // Any thread: a fallback that waits for input gives up.
    void Interrupt();

    // Any thread.
    bool Silent() const { return silent.load(); }
    bool FallbackPlaying() const { return fallback && silent.load(); }
    // The silences begun so far.
    int64_t Episodes() const { return episodes.load(); }

private:
    void Mix(const float* live, int32_t frameCount);

    const float threshold;  // linear
    const int64_t afterFrames;
    const int64_t recoverFrames;
    const float fadeStep;  // of the fallback's share, per frame
    std::unique_ptr<AudioSource> fallback;
    std::vector<float> fallbackBlock;
    std::vector<float> mixed;
    int64_t runFrames = 0;  // below the threshold while live, at or above it while silent
    float share = 0.0f;     // of the fallback in what is handed on
    std::atomic<bool> silent{false};
    std::atomic<int64_t> episodes{0};
};
