#include "tone_wav.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <utility>
#include <vector>

#include "signal_analysis.h"

namespace skyflume::test {
namespace {

template <class T>
void PutLittleEndian(std::ofstream& file, T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        file.put(static_cast<char>((static_cast<uint64_t>(value) >> (8 * i)) & 0xFF));
    }
}

}  // namespace

void WriteToneWav(const std::filesystem::path& path, double frequency, int sampleRate, double seconds,
                  const std::string& artist, const std::string& title, int channels) {
    // Tone gives two channels; a mono file keeps the left one.
    const std::vector<float> stereo = Tone(frequency, sampleRate, seconds, 0.5);
    const std::vector<float> samples = channels == 2 ? stereo : Channel(stereo, 2, 0);
    const auto dataBytes = static_cast<uint32_t>(samples.size() * sizeof(int16_t));
    const auto frameBytes = static_cast<uint16_t>(channels * sizeof(int16_t));
    // A RIFF INFO list: each text zero-terminated and padded to an even length.
    std::string info;
    for (const auto& [id, text] : {std::pair{"IART", artist}, std::pair{"INAM", title}}) {
        if (!text.empty()) {
            const std::string padded = text + std::string(text.size() % 2 == 0 ? 2 : 1, '\0');
            const auto size = static_cast<uint32_t>(text.size() + 1);
            info += id + std::string{static_cast<char>(size), static_cast<char>(size >> 8), '\0', '\0'} + padded;
        }
    }
    const auto listBytes = static_cast<uint32_t>(info.empty() ? 0 : 12 + info.size());
    std::ofstream file(path, std::ios::binary);
    file.write("RIFF", 4);
    PutLittleEndian<uint32_t>(file, 36 + listBytes + dataBytes);
    file.write("WAVEfmt ", 8);
    PutLittleEndian<uint32_t>(file, 16);
    PutLittleEndian<uint16_t>(file, 1);  // PCM
    PutLittleEndian<uint16_t>(file, static_cast<uint16_t>(channels));
    PutLittleEndian<uint32_t>(file, static_cast<uint32_t>(sampleRate));
    PutLittleEndian<uint32_t>(file, static_cast<uint32_t>(sampleRate) * frameBytes);
    PutLittleEndian<uint16_t>(file, frameBytes);
    PutLittleEndian<uint16_t>(file, 16);
    if (!info.empty()) {
        file.write("LIST", 4);
        PutLittleEndian<uint32_t>(file, static_cast<uint32_t>(4 + info.size()));
        file.write("INFO", 4);
        file.write(info.data(), static_cast<std::streamsize>(info.size()));
    }
    file.write("data", 4);
    PutLittleEndian<uint32_t>(file, dataBytes);
    for (const float sample : samples) {
        PutLittleEndian<int16_t>(file, static_cast<int16_t>(std::lround(sample * 32767.0)));
    }
}

}  // namespace skyflume::test
