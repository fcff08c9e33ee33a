#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

// The input's level as a meter shows it: the peak of the last whole second
// of audio, in dBFS. The audio thread adds every block; any thread reads.
class LevelMeter {
public:
    explicit LevelMeter(int sampleRate) : framesPerSecond(sampleRate) {}

    // Audio thread: interleaved stereo frames.
    void Add(const float* interleaved, int32_t frameCount);

    struct Level {
        double dbfs;   // -infinity for silence
        bool clipped;  // a sample reached full scale
    };
    // None until a whole second has been measured.
    std::optional<Level> LastSecond() const;

private:
    const int framesPerSecond;
    float peak = 0.0f;  // of the second being measured: audio thread's own
    int32_t frames = 0;
    std::atomic<float> lastPeak{-1.0f};  // -1 until the first second is done
};
