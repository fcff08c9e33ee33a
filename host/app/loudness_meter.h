#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

// The input's loudness as broadcasters measure it (EBU R 128): momentary
// (400 ms) and short-term (3 s) loudness in LUFS and the true peak of the
// last whole second in dBTP. The audio thread only copies each block into a
// ring; the measuring runs on a thread of its own, so that it can never hold
// up the blocks on their way to the plug-in. A block that finds the ring
// full is left unmeasured rather than waited for.
class LoudnessMeter {
public:
    explicit LoudnessMeter(int sampleRate);
    // Waits for the measuring thread.
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    // Audio thread: interleaved stereo frames; neither allocates nor waits.
    void Add(const float* interleaved, int32_t frameCount);

    struct Loudness {
        double momentaryLufs;                 // -infinity for silence
        std::optional<double> shortTermLufs;  // none until 3 s were measured
        std::optional<double> trueDbtp;       // none until a whole second was measured
    };
    // None until 400 ms were measured.
    std::optional<Loudness> Last() const;

private:
    void Run();
    void Measure(int64_t from, int64_t to);

    const int framesPerSecond;
    const int64_t capacity;  // frames the ring holds
    std::unique_ptr<float[]> ring;
    // Frames written and read since the start; the ring's index is the count modulo its capacity.
    std::atomic<int64_t> written{0};
    std::atomic<int64_t> read{0};
    // libebur128's state: the measuring thread's own.
    struct State;
    std::unique_ptr<State> state;

    // Results, and the second of true peak being measured (measuring thread's own).
    mutable std::mutex resultMutex;
    std::optional<Loudness> last;
    int64_t measured = 0;
    double peak = 0.0;
    int32_t peakFrames = 0;

    std::mutex stopMutex;
    std::condition_variable stopWake;
    bool stopping = false;
    std::thread thread;  // last, so that it starts with everything above in place
};
