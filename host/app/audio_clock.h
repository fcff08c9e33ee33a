#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "host/app/audio_source.h"

// The host's audio thread: reads one block from a source and hands it on at
// the pace of real playback, one block at a time, until the source runs dry
// or it is stopped. Deadlines count from the start, so pacing never drifts.
class AudioClock {
public:
    using BlockHandler = std::function<void(const float* interleaved, int32_t frameCount)>;
    using EndHandler = std::function<void()>;

    static constexpr std::chrono::microseconds kDefaultBlockLength{10000};

    // Starts the thread. onBlock gets every block, the last one possibly
    // short; onEnd (optional) runs once after the last block when the source
    // has run dry. Both run on the clock's thread, never concurrently.
    AudioClock(std::unique_ptr<AudioSource> source, int sampleRate, BlockHandler onBlock, EndHandler onEnd = {},
               std::chrono::microseconds blockLength = kDefaultBlockLength);
    ~AudioClock();

    AudioClock(const AudioClock&) = delete;
    AudioClock& operator=(const AudioClock&) = delete;

    int32_t FramesPerBlock() const { return framesPerBlock; }

    // Ends the thread and waits for it, interrupting a source that waits for
    // input; no handler runs once this returns. Must not be called from a handler.
    void Stop();

    // True once the source has run dry.
    bool Ended() const { return ended.load(); }

private:
    void Run();
    bool StopRequested();
    std::chrono::steady_clock::duration PlayTime(int64_t frames) const;

    std::unique_ptr<AudioSource> source;
    int sampleRate;
    int32_t framesPerBlock;
    BlockHandler onBlock;
    EndHandler onEnd;
    std::mutex mutex;
    std::condition_variable wake;
    bool stopRequested = false;
    std::atomic<bool> ended{false};
    std::thread thread;  // last, so that it starts with everything above in place
};
