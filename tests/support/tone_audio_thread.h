#pragma once

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <thread>
#include <vector>

#include "plugin_sdk/host_listeners.h"

// A host's audio thread for the stream tests: hands the callback 10 ms blocks
// of a sine tone at half scale, interleaved stereo, each at its own deadline,
// until it goes. onStart, if given, runs first on the thread.
class ToneAudioThread {
public:
    ToneAudioThread(SXAudioCallback* callback, int32_t sampleRate, double frequency, void (*onStart)() = nullptr) {
        // One second of whole periods, so the looped second stays seamless.
        std::vector<float> second(2 * static_cast<size_t>(sampleRate));
        for (int32_t i = 0; i < sampleRate; ++i) {
            const auto sample = static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * frequency * i / sampleRate));
            second[2 * static_cast<size_t>(i)] = sample;
            second[2 * static_cast<size_t>(i) + 1] = sample;
        }
        thread = std::thread([this, callback, sampleRate, onStart, second = std::move(second)] {
            if (onStart != nullptr) {
                onStart();
            }
            const int32_t blockFrames = sampleRate / 100;
            auto deadline = std::chrono::steady_clock::now();
            for (int32_t block = 0; !stop; block = (block + 1) % 100) {
                callback->OnAudio(nullptr, second.data() + 2 * static_cast<size_t>(block * blockFrames), blockFrames);
                deadline += std::chrono::milliseconds(10);
                std::this_thread::sleep_until(deadline);
            }
        });
    }
    ~ToneAudioThread() {
        stop = true;
        thread.join();
    }
    ToneAudioThread(const ToneAudioThread&) = delete;
    ToneAudioThread& operator=(const ToneAudioThread&) = delete;

private:
    std::atomic<bool> stop{false};
    std::thread thread;
};
