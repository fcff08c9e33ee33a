#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Audio as the host's audio thread consumes it: interleaved stereo float
// frames at the host rate.
class AudioSource {
public:
    virtual ~AudioSource() = default;

    // Fills up to frameCount frames (2 * frameCount floats) and answers how
    // many it delivered; fewer only at the end of the input, 0 once it is over.
    virtual int Read(float* frames, int frameCount) = 0;

    // Called from another thread to stop the reader: a Read waiting for input
    // returns with what it has, and the source ends. Sources that never wait
    // for input ignore it.
    virtual void Interrupt() {}

    // For sources that play titled items: how many items (files, or passes
    // of a looped file) have begun so far, counting the one playing, and its
    // title; 0 and empty for other sources. Called on the thread that reads.
    virtual int64_t ItemsBegun() const { return 0; }
    virtual std::string Title() const { return {}; }

    // Why the input ended before its time (a looped file that could not be
    // opened again, audio that could not be converted); empty when it came
    // to its end. Called on the thread that reads, once Read answered 0.
    virtual std::string Failure() const { return {}; }
};

// A source, or the reason why there is none.
struct OpenedAudioSource {
    std::unique_ptr<AudioSource> source;
    std::string error;
};

// Opens a source from its command-line form:
//   "tone:HZ"  a sine of HZ hertz, amplitude 0.5 on both channels, endless;
//   "-"        raw 32-bit float stereo little-endian from standard input;
//   "DEVICE:NAME" an FFmpeg input device (pulse:default, alsa:hw:0,
//              lavfi:sine=f=440), unless a file of that name exists;
//   anything else is a file that FFmpeg decodes, looped when `loop` is set,
//   and titled by its tags ("artist – title") or else its file name.
OpenedAudioSource OpenAudioSource(std::string_view input, int sampleRate, bool loop);

// Several inputs played one after the other, all opened at once so that
// one that cannot be opened is named before anything plays; with `loop` the
// list starts again from the first. One input is that input's own source.
OpenedAudioSource OpenPlaylist(const std::vector<std::string>& inputs, int sampleRate, bool loop);

// The kinds one by one, for callers that already know which they want.
OpenedAudioSource OpenAudioFile(const std::string& path, int sampleRate, bool loop);
OpenedAudioSource OpenToneSource(double frequency, int sampleRate);
// A live input: `name` an FFmpeg input device, `device` what it opens.
OpenedAudioSource OpenAudioDevice(const std::string& name, const std::string& device, int sampleRate);
bool IsInputDevice(std::string_view name);
// Reads from `fd`, which stays the caller's: the source never closes it.
OpenedAudioSource OpenRawFloatSource(int fd);
