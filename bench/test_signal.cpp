#include "test_signal.h"

#include <cmath>
#include <fstream>
#include <numbers>
#include <random>

namespace {

constexpr double kToneHz = 1000.0;
constexpr double kToneAmplitude = 16384.0;  // -6 dBFS
constexpr uint32_t kNoiseAmplitude = 104;   // -50 dBFS, in 16-bit steps
constexpr uint32_t kSeed = 11;

}  // namespace

TestSignal::TestSignal(int32_t seconds) {
    const size_t frames = static_cast<size_t>(seconds) * kRate;
    pcm.resize(2 * frames);
    floats.resize(2 * frames);
    // mt19937's sequence is fixed by the standard; the distributions are
    // not, so the noise is taken from it by hand.
    std::mt19937 random(kSeed);
    for (size_t i = 0; i < frames; ++i) {
        const double tone =
            kToneAmplitude * std::sin(2.0 * std::numbers::pi * kToneHz * static_cast<double>(i) / kRate);
        for (size_t channel = 0; channel < 2; ++channel) {
            const auto noise =
                static_cast<int32_t>(random() % (2 * kNoiseAmplitude + 1)) - static_cast<int32_t>(kNoiseAmplitude);
            const auto sample = static_cast<int16_t>(std::lround(tone) + noise);
            pcm[2 * i + channel] = sample;
            floats[2 * i + channel] = static_cast<float>(sample) / 32768.0f;
        }
    }
}

std::string TestSignal::WriteRaw(const std::filesystem::path& path) const {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(pcm.data()), static_cast<std::streamsize>(pcm.size() * sizeof(int16_t)));
    return file ? std::string() : "cannot write " + path.string();
}
