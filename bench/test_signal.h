#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// The audio every contender gets: a 1 kHz tone at -6 dBFS with white noise
// at -50 dBFS, independent on each channel, as 16-bit stereo PCM at
// 44.1 kHz. The same bytes every time: the noise comes from a fixed seed.
class TestSignal {
public:
    static constexpr int32_t kRate = 44100;

    explicit TestSignal(int32_t seconds);

    int64_t Frames() const { return static_cast<int64_t>(pcm.size() / 2); }
    // The raw bytes, little-endian signed 16-bit, left first.
    const std::vector<int16_t>& Pcm() const { return pcm; }
    // The same samples as the host hands them on: interleaved floats,
    // each 16-bit value divided by 32768, which is exact.
    const std::vector<float>& Floats() const { return floats; }

    // Answers an error text, empty on success.
    std::string WriteRaw(const std::filesystem::path& path) const;

private:
    std::vector<int16_t> pcm;
    std::vector<float> floats;
};
