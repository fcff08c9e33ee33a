#pragma once

// A WAV file of a known tone, for the tests that feed a file to a decoder.

#include <filesystem>
#include <string>

namespace skyflume::test {

// A 16-bit WAV file of a sine at half of full scale, the same on each of its
// channels; tagged with an artist and a title when they are given.
void WriteToneWav(const std::filesystem::path& path, double frequency, int sampleRate, double seconds,
                  const std::string& artist = {}, const std::string& title = {}, int channels = 2);

}  // namespace skyflume::test
