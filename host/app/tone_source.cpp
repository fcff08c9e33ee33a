#include "host/app/audio_source.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kAmplitude = 0.5;

class ToneSource : public AudioSource {
public:
    ToneSource(double frequency, int sampleRate) : step(2.0 * std::numbers::pi * frequency / sampleRate) {}

    int Read(float* frames, int frameCount) override {
        for (int i = 0; i < frameCount; ++i) {
            const auto sample = static_cast<float>(kAmplitude * std::sin(phase));
            frames[2 * i] = sample;
            frames[2 * i + 1] = sample;
            // Wrapping keeps the phase small, so that hours of tone stay as clean as the first second.
            phase = std::fmod(phase + step, 2.0 * std::numbers::pi);
        }
        return frameCount;
    }

private:
    double step;
    double phase = 0.0;
};

}  // namespace

OpenedAudioSource OpenToneSource(double frequency, int sampleRate) {
    if (!(frequency > 0.0) || frequency >= sampleRate / 2.0) {
        return {nullptr, "a tone needs a frequency above 0 and below " + std::to_string(sampleRate / 2) +
                             " Hz at a rate of " + std::to_string(sampleRate) + " Hz"};
    }
    return {std::make_unique<ToneSource>(frequency, sampleRate), {}};
}
