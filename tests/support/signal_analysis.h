#pragma once

// Measurements on decoded audio and the test tones fed to the plug-in.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace skyflume::test {

// Frequency of the strongest spectral peak, in Hz; 0 for too little input.
// Within a fraction of a hertz for a clean tone of a second or more.
double DominantFrequency(const std::vector<float>& samples, int sampleRate);

double Rms(const std::vector<float>& samples);
// A tone in decoded audio, from its first sample above silence to its last:
// its length without its gaps, and the gaps, runs of at least minGap silent
// samples.
struct ToneSpan {
    std::int64_t length = 0;
    std::vector<std::int64_t> gaps;
};
ToneSpan MeasureTone(const std::vector<float>& samples, std::int64_t minGap);
double PeakAbs(const std::vector<float>& samples);

// Interleaved stereo sine, the same on both channels, as a host delivers it.
std::vector<float> Tone(double frequency, int sampleRate, double seconds, double amplitude);

// One channel out of interleaved audio.
std::vector<float> Channel(const std::vector<float>& interleaved, int channels, int index);

}  // namespace skyflume::test
