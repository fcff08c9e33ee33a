#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "host/app/audio_source.h"
#include "support/child_process.h"
#include "support/signal_analysis.h"
#include "support/temp_folder.h"
#include "support/tone_wav.h"

namespace {

using skyflume::test::Channel;
using skyflume::test::DominantFrequency;
using skyflume::test::PeakAbs;
using skyflume::test::TempFolder;

constexpr int kFileRate = 22050;
constexpr double kFileTone = 440.0;
constexpr double kFileAmplitude = 0.5;

// One second of the tone as mono 16-bit PCM, written into the folder.
std::filesystem::path ToneWavIn(const TempFolder& folder) {
    const auto wav = folder / "tone.wav";
    skyflume::test::WriteToneWav(wav, kFileTone, kFileRate, 1.0, {}, {}, 1);
    return wav;
}

// Converts with the ffmpeg tool, so that the file comes from an encoder the source never saw.
bool Transcode(const std::filesystem::path& from, const std::filesystem::path& to) {
    skyflume::test::ChildProcess ffmpeg;
    if (!ffmpeg.Spawn({"/usr/bin/ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-i", from.string(), to.string()},
                      to.string() + ".log")) {
        return false;
    }
    const auto status = ffmpeg.WaitFor(std::chrono::seconds(60));
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

// Everything a source delivers, read in blocks of an awkward size.
std::vector<float> ReadAll(AudioSource& source, int maxFrames = 1 << 22) {
    std::vector<float> all;
    std::vector<float> block(2 * 1000);
    while (static_cast<int>(all.size() / 2) < maxFrames) {
        const int got = source.Read(block.data(), 1000);
        all.insert(all.end(), block.begin(), block.begin() + 2 * got);
        if (got < 1000) {
            break;
        }
    }
    return all;
}

// The longest stretch of consecutive near-silent samples: a gap in a sine shows up here.
int LongestQuietRun(const std::vector<float>& samples) {
    int longest = 0;
    int run = 0;
    for (const float sample : samples) {
        run = std::fabs(sample) < 0.01f ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

struct FileCase {
    std::string extension;
    int hostRate;
};

void PrintTo(const FileCase& fileCase, std::ostream* out) {
    *out << fileCase.extension << " at " << fileCase.hostRate << " Hz";
}

class AudioFileSourceTest : public testing::TestWithParam<FileCase> {};

TEST_P(AudioFileSourceTest, DecodesToStereoAtHostRateWithTheFilesToneAndLength) {
    const FileCase& param = GetParam();
    TempFolder folder;
    const auto wav = ToneWavIn(folder);
    auto file = wav;
    if (param.extension != "wav") {
        file = folder / ("tone." + param.extension);
        ASSERT_TRUE(Transcode(wav, file));
    }

    auto opened = OpenAudioFile(file.string(), param.hostRate, false);
    ASSERT_TRUE(opened.source) << opened.error;
    const std::vector<float> audio = ReadAll(*opened.source);

    const auto left = Channel(audio, 2, 0);
    const auto right = Channel(audio, 2, 1);
    EXPECT_EQ(left, right);
    EXPECT_NEAR(DominantFrequency(left, param.hostRate), kFileTone, 1.0);
    // Mono reaches both sides at its own level.
    EXPECT_NEAR(PeakAbs(left), kFileAmplitude, 0.05);
    // Compressed formats may pad or trim a few milliseconds.
    EXPECT_NEAR(static_cast<double>(left.size()), param.hostRate, param.hostRate * 0.05);
    float spare[2];
    EXPECT_EQ(opened.source->Read(spare, 1), 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, AudioFileSourceTest,
                         testing::Values(FileCase{"wav", 48000}, FileCase{"wav", 44100}, FileCase{"flac", 48000},
                                         FileCase{"mp3", 48000}, FileCase{"ogg", 44100}),
                         [](const testing::TestParamInfo<FileCase>& info) {
                             return info.param.extension + std::to_string(info.param.hostRate);
                         });

TEST(AudioFileSource, LoopingPlaysOnPastTheEndWithoutAGap) {
    TempFolder folder;
    const auto wav = ToneWavIn(folder);

    auto opened = OpenAudioFile(wav.string(), 48000, true);
    ASSERT_TRUE(opened.source) << opened.error;
    constexpr int kFrames = 48000 * 5 / 2;
    std::vector<float> audio(2 * kFrames);
    for (int done = 0; done < kFrames; done += 1000) {
        ASSERT_EQ(opened.source->Read(audio.data() + 2 * done, 1000), 1000) << "at frame " << done;
    }

    const auto left = Channel(audio, 2, 0);
    EXPECT_NEAR(DominantFrequency(left, 48000), kFileTone, 1.0);
    EXPECT_LT(LongestQuietRun(left), 4);
}

TEST(AudioFileSource, RefusesWhatItCannotDecodeWithTheReason) {
    TempFolder folder;
    std::ofstream(folder / "garbage.wav") << std::string(4096, 'x');
    std::ofstream{folder / "empty.wav"};
    const std::pair<const char*, bool> files[] = {{"missing.wav", false}, {"garbage.wav", true}, {"empty.wav", true}};
    for (const auto& [name, loop] : files) {
        const auto file = folder / name;
        const auto opened = OpenAudioFile(file.string(), 48000, loop);
        EXPECT_FALSE(opened.source) << name;
        EXPECT_NE(opened.error.find(file.string()), std::string::npos) << opened.error;
        if (std::string(name) == "missing.wav") {
            EXPECT_NE(opened.error.find("No such file"), std::string::npos) << opened.error;
        }
    }

    const auto opened = OpenAudioFile(folder.Path().string(), 48000, false);
    EXPECT_FALSE(opened.source);
    EXPECT_FALSE(opened.error.empty());
}

class ToneInput : public testing::TestWithParam<int> {};

TEST_P(ToneInput, IsAnEndlessSineOfTheGivenFrequency) {
    const int rate = GetParam();
    auto opened = OpenAudioSource("tone:1000", rate, false);
    ASSERT_TRUE(opened.source) << opened.error;
    std::vector<float> audio(2 * static_cast<std::size_t>(rate) * 3);
    ASSERT_EQ(opened.source->Read(audio.data(), rate * 3), rate * 3);

    const auto left = Channel(audio, 2, 0);
    EXPECT_EQ(left, Channel(audio, 2, 1));
    EXPECT_NEAR(DominantFrequency(left, rate), 1000.0, 0.5);
    EXPECT_NEAR(PeakAbs(left), 0.5, 0.001);
}

INSTANTIATE_TEST_SUITE_P(Rates, ToneInput, testing::Values(44100, 48000));

// A tone that is no tone, or any input at a rate of zero.
using BadCase = std::pair<std::string, int>;  // the input and the host's rate
class BadInput : public testing::TestWithParam<BadCase> {};

TEST_P(BadInput, IsRefusedWithTheReason) {
    const auto opened = OpenAudioSource(GetParam().first, GetParam().second, false);
    EXPECT_FALSE(opened.source);
    EXPECT_FALSE(opened.error.empty());
}

INSTANTIATE_TEST_SUITE_P(Inputs, BadInput,
                         testing::Values(BadCase{"tone:", 48000}, BadCase{"tone:abc", 48000},
                                         BadCase{"tone:440Hz", 48000}, BadCase{"tone:0", 48000},
                                         BadCase{"tone:-5", 48000}, BadCase{"tone:24000", 48000},
                                         BadCase{"tone:nan", 48000}, BadCase{"tone:440", 0}));

TEST(AudioSourceInput, AnythingElseIsAFile) {
    TempFolder folder;
    const auto wav = ToneWavIn(folder);
    auto opened = OpenAudioSource(wav.string(), 48000, false);
    ASSERT_TRUE(opened.source) << opened.error;
    EXPECT_NEAR(DominantFrequency(Channel(ReadAll(*opened.source), 2, 0), 48000), kFileTone, 1.0);
}

// Frame i carries (i, -i); the writer sends it in pieces that split frames and
// floats, and ends with half a frame, which must not come out.
std::vector<float> RawPattern(int frames) {
    std::vector<float> pattern;
    for (int i = 0; i < frames; ++i) {
        pattern.push_back(static_cast<float>(i));
        pattern.push_back(static_cast<float>(-i));
    }
    return pattern;
}

std::thread WriteInPieces(int fd, const std::vector<float>& pattern) {
    const auto* bytes = reinterpret_cast<const char*>(pattern.data());
    std::vector<char> stream(bytes, bytes + pattern.size() * sizeof(float));
    stream.resize(stream.size() + sizeof(float));
    return std::thread([fd, stream = std::move(stream)] {
        for (std::size_t sent = 0; sent < stream.size();) {
            const ssize_t written = ::write(fd, stream.data() + sent, std::min<std::size_t>(13, stream.size() - sent));
            if (written <= 0) {
                break;
            }
            sent += static_cast<std::size_t>(written);
        }
        ::close(fd);
    });
}

TEST(RawFloatSource, ReadsWholeFramesFromAPipeUntilItCloses) {
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    std::thread writer = WriteInPieces(pipeFds[1], RawPattern(1000));

    auto opened = OpenRawFloatSource(pipeFds[0]);
    ASSERT_TRUE(opened.source) << opened.error;
    std::vector<float> audio;
    std::vector<int> counts;
    std::vector<float> block(2 * 300);
    int got = 0;
    do {
        got = opened.source->Read(block.data(), 300);
        counts.push_back(got);
        audio.insert(audio.end(), block.begin(), block.begin() + 2 * got);
    } while (got > 0);
    writer.join();
    ::close(pipeFds[0]);

    EXPECT_EQ(counts, (std::vector<int>{300, 300, 300, 100, 0}));
    EXPECT_EQ(audio, RawPattern(1000));
}

TEST(RawFloatSource, InterruptEndsAReadThatWaitsForAStalledProducer) {
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const std::vector<float> sent = RawPattern(10);
    ASSERT_EQ(::write(pipeFds[1], sent.data(), sent.size() * sizeof(float)),
              static_cast<ssize_t>(sent.size() * sizeof(float)));

    auto opened = OpenRawFloatSource(pipeFds[0]);
    ASSERT_TRUE(opened.source) << opened.error;
    std::vector<float> block(2 * 100);
    int got = -1;
    std::thread reader([&] { got = opened.source->Read(block.data(), 100); });
    opened.source->Interrupt();
    reader.join();

    EXPECT_EQ(got, 10);
    block.resize(2 * 10);
    EXPECT_EQ(block, sent);
    EXPECT_EQ(opened.source->Read(block.data(), 1), 0);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
}

TEST(RawFloatSource, DashMeansStandardInput) {
    // Standard input may be closed, as it is under CI: then there is nothing
    // to save, and the pipe's read end becomes descriptor 0 by itself.
    const int savedStdin = ::dup(0);
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    if (pipeFds[0] != 0) {
        ASSERT_EQ(::dup2(pipeFds[0], 0), 0);
        ::close(pipeFds[0]);
    }
    std::thread writer = WriteInPieces(pipeFds[1], RawPattern(50));

    auto opened = OpenAudioSource("-", 48000, false);
    std::vector<float> audio;
    if (opened.source) {
        audio = ReadAll(*opened.source);
    }
    writer.join();
    if (savedStdin >= 0) {
        ::dup2(savedStdin, 0);
        ::close(savedStdin);
    } else {
        ::close(0);
    }

    ASSERT_TRUE(opened.source) << opened.error;
    EXPECT_EQ(audio, RawPattern(50));
}

}  // namespace
