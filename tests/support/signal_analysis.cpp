#include "support/signal_analysis.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

extern "C" {
#include <libavutil/tx.h>
}

namespace skyflume::test {

double DominantFrequency(const std::vector<float>& samples, int sampleRate) {
    // Sub-hertz bins at common rates; FFmpeg's fast transform goes this far.
    constexpr std::size_t kMaxSamples = std::size_t{1} << 17;
    const std::size_t count = std::min(samples.size(), kMaxSamples);
    if (count < 16 || sampleRate <= 0) return 0.0;

    double mean = 0.0;
    for (std::size_t i = 0; i < count; ++i) mean += samples[i];
    mean /= static_cast<double>(count);

    // Hann window over the real samples, zero-padded to a power of two.
    std::size_t size = 1;
    while (size < count) size <<= 1;
    std::vector<std::complex<double>> windowed(size);
    for (std::size_t i = 0; i < count; ++i) {
        const double window =
            0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(count - 1));
        windowed[i] = (samples[i] - mean) * window;
    }
    std::vector<std::complex<double>> spectrum(size);
    AVTXContext* transform = nullptr;
    av_tx_fn run = nullptr;
    const double scale = 1.0;
    if (av_tx_init(&transform, &run, AV_TX_DOUBLE_FFT, 0, static_cast<int>(size), &scale, 0) < 0) return 0.0;
    // std::complex<double> is laid out as AVComplexDouble: real, imaginary.
    run(transform, spectrum.data(), windowed.data(), sizeof(std::complex<double>));
    av_tx_uninit(&transform);

    std::size_t peak = 1;
    for (std::size_t k = 2; k < size / 2; ++k)
        if (std::abs(spectrum[k]) > std::abs(spectrum[peak])) peak = k;

    // Parabola through the log magnitudes around the peak places it between bins.
    double offset = 0.0;
    if (peak + 1 < size / 2) {
        const double a = std::log(std::abs(spectrum[peak - 1]) + 1e-300);
        const double b = std::log(std::abs(spectrum[peak]) + 1e-300);
        const double c = std::log(std::abs(spectrum[peak + 1]) + 1e-300);
        const double denominator = a - 2.0 * b + c;
        if (denominator < 0.0) offset = 0.5 * (a - c) / denominator;
    }
    return (static_cast<double>(peak) + offset) * sampleRate / static_cast<double>(size);
}

double Rms(const std::vector<float>& samples) {
    if (samples.empty()) return 0.0;
    double sum = 0.0;
    for (float s : samples) sum += static_cast<double>(s) * s;
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

ToneSpan MeasureTone(const std::vector<float>& samples, std::int64_t minGap) {
    // Far below a tone's level, far above what the decoder makes of silence.
    const auto loud = [](float sample) { return std::abs(sample) >= 1e-3f; };
    const auto start = std::find_if(samples.begin(), samples.end(), loud);
    const auto end = std::find_if(samples.rbegin(), samples.rend(), loud).base();
    ToneSpan tone;
    for (auto at = start; at < end; ++at) {
        const auto quiet = std::find_if(at, end, loud) - at;
        if (quiet >= minGap) tone.gaps.push_back(quiet);
        tone.length += quiet < minGap ? quiet + 1 : 1;
        at += quiet;
    }
    return tone;
}

double PeakAbs(const std::vector<float>& samples) {
    double peak = 0.0;
    for (float s : samples) peak = std::max(peak, std::abs(static_cast<double>(s)));
    return peak;
}

std::vector<float> Tone(double frequency, int sampleRate, double seconds, double amplitude) {
    const auto frames = static_cast<std::size_t>(std::llround(seconds * sampleRate));
    std::vector<float> out(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        const double phase = 2.0 * std::numbers::pi * frequency * static_cast<double>(i) / sampleRate;
        out[2 * i] = out[2 * i + 1] = static_cast<float>(amplitude * std::sin(phase));
    }
    return out;
}

std::vector<float> Channel(const std::vector<float>& interleaved, int channels, int index) {
    std::vector<float> out;
    if (channels <= 0 || index < 0 || index >= channels) return out;
    out.reserve(interleaved.size() / static_cast<std::size_t>(channels));
    for (std::size_t i = static_cast<std::size_t>(index); i < interleaved.size();
         i += static_cast<std::size_t>(channels))
        out.push_back(interleaved[i]);
    return out;
}

}  // namespace skyflume::test
