#pragma once

#include <memory>
#include <string>
#include <string_view>

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
};

// A source, or the reason why there is none.
struct OpenedAudioSource {
    std::unique_ptr<AudioSource> source;
    std::string error;
};

// Opens a source from its command-line form:
//   "tone:HZ"  a sine of HZ hertz, amplitude 0.5 on both channels, endless;
//   "-"        raw 32-bit float stereo little-endian from standard input;
//   anything else is a file that FFmpeg decodes, looped when `loop` is set.
OpenedAudioSource OpenAudioSource(std::string_view input, int sampleRate, bool loop);

// The kinds one by one, for callers that already know which they want.
OpenedAudioSource OpenAudioFile(const std::string& path, int sampleRate, bool loop);
OpenedAudioSource OpenToneSource(double frequency, int sampleRate);
// Reads from `fd`, which stays the caller's: the source never closes it.
OpenedAudioSource OpenRawFloatSource(int fd);
