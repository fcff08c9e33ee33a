#pragma once

// Measurements on decoded audio and the test tones fed to the plug-in.

#include <cstddef>
#include <vector>

namespace skyflume::test {

// Frequency of the strongest spectral peak, in Hz; 0 for too little input.
// Within a fraction of a hertz for a clean tone of a second or more.
double DominantFrequency(const std::vector<float>& samples, int sampleRate);

double Rms(const std::vector<float>& samples);
double PeakAbs(const std::vector<float>& samples);

// Interleaved stereo sine, the same on both channels, as a host delivers it.
std::vector<float> Tone(double frequency, int sampleRate, double seconds, double amplitude);

// One channel out of interleaved audio.
std::vector<float> Channel(const std::vector<float>& interleaved, int channels, int index);

}  // namespace skyflume::test
