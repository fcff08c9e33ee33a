#pragma once

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <thread>
#include <vector>

#include "plugin_sdk/host_listeners.h"

// A host's audio thread for the stream tests: hands the callback blocks of a
// sine tone at half scale, interleaved stereo, 10 ms each unless blockFrames
// says otherwise, each at its own deadline, until it goes. onStart, if
// given, runs first on the thread.
class ToneAudioThread {
public:
    ToneAudioThread(SXAudioCallback* callback, int32_t sampleRate, double frequency, void (*onStart)() = nullptr,
                    int32_t blockFrames = 0) {
        if (blockFrames <= 0) {
            blockFrames = sampleRate / 100;
        }
        // One second of whole periods, so the looped second stays seamless.
        std::vector<float> second(2 * static_cast<size_t>(sampleRate));
        for (int32_t i = 0; i < sampleRate; ++i) {
            const auto sample = static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * frequency * i / sampleRate));
            second[2 * static_cast<size_t>(i)] = sample;
            second[2 * static_cast<size_t>(i) + 1] = sample;
        }
        // Made here: the thread itself allocates nothing.
        std::vector<float> block(2 * static_cast<size_t>(blockFrames));
        thread = std::thread([this, callback, sampleRate, onStart, blockFrames, second = std::move(second),
                              block = std::move(block)]() mutable {
            if (onStart != nullptr) {
                onStart();
            }
            const auto period = std::chrono::nanoseconds(int64_t{1000000000} * blockFrames / sampleRate);
            auto deadline = std::chrono::steady_clock::now();
            for (int64_t at = 0; !stop; at = (at + blockFrames) % sampleRate) {
                for (int64_t i = 0; i < 2 * int64_t{blockFrames}; ++i) {
                    block[static_cast<size_t>(i)] =
                        second[static_cast<size_t>((2 * at + i) % (2 * int64_t{sampleRate}))];
                }
                callback->OnAudio(nullptr, block.data(), blockFrames);
                framesSent += blockFrames;
                deadline += period + pause.exchange(std::chrono::milliseconds(0));
                std::this_thread::sleep_until(deadline);
            }
        });
    }
    ~ToneAudioThread() { Stop(); }
    ToneAudioThread(const ToneAudioThread&) = delete;
    ToneAudioThread& operator=(const ToneAudioThread&) = delete;

    // The calls stop for this long after the next one, then go on with the
    // tone where it left off.
    void Pause(std::chrono::milliseconds length) { pause = length; }
    // Ends the calls; answers the frames that they handed over.
    int64_t Stop() {
        stop = true;
        if (thread.joinable()) {
            thread.join();
        }
        return framesSent;
    }

private:
    std::atomic<bool> stop{false};
    std::atomic<std::chrono::milliseconds> pause{std::chrono::milliseconds(0)};
    std::atomic<int64_t> framesSent{0};
    std::thread thread;
};
