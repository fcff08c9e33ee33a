// Stream and Stop as the user sees them, with the host's audio thread
// running all along, and the way of the first sample to the socket.

#include "stream_latency.h"

#include <thread>

#include "realtime_audio.h"

namespace {

using namespace std::chrono_literals;

constexpr int kClickCycles = 20;
constexpr int kFirstByteCycles = 10;
constexpr int32_t kBitRateKbps = 128;
constexpr int32_t kBatchFrames = 1152;
constexpr auto kStreamFor = 200ms;

double Millis(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// The start of the call that hands on the batch-th batch (from 1): the call
// with frame batch * kBatchFrames.
RealTimeAudio::Clock::time_point HandOff(const RealTimeAudio& audio, int64_t batch) {
    return audio.Record()[static_cast<size_t>(batch * kBatchFrames / audio.BlockFrames())].start;
}

}  // namespace

LatencyResults RunLatency(BenchEnvironment& environment) {
    LatencyResults results;
    const std::unique_ptr<BenchPlugin> plugin = environment.NewPlugin(results.error);
    if (!plugin) {
        return results;
    }
    {
        const RealTimeAudio audio({plugin->Audio()}, environment.Signal().Floats(), TestSignal::kRate,
                                  TestSignal::kRate / 100, 0);
        for (int cycle = 0; cycle < kClickCycles; ++cycle) {
            plugin->Type(environment.Direct(environment.NewMount("click"), kBitRateKbps, TestSignal::kRate));
            const auto started = plugin->Start();
            std::this_thread::sleep_for(kStreamFor);
            const auto stopped = plugin->Stop();
            if (!started || !stopped) {
                results.error = "cycle " + std::to_string(cycle) + ": " + plugin->Status();
                return results;
            }
            results.startMillis.push_back(started->count() * 1e3);
            results.stopMillis.push_back(stopped->count() * 1e3);
        }
    }
    for (int cycle = 0; cycle < kFirstByteCycles; ++cycle) {
        const auto traffic = environment.StartThroughRelay(*plugin, "first-byte", kBitRateKbps, TestSignal::kRate);
        if (!traffic) {
            results.error = "first byte, cycle " + std::to_string(cycle) + ": " + plugin->Status();
            return results;
        }
        const RealTimeAudio audio({plugin->Audio()}, environment.Signal().Floats(), TestSignal::kRate,
                                  TestSignal::kRate / 100, static_cast<size_t>(kStreamFor / 10ms) + 10);
        std::this_thread::sleep_for(kStreamFor);
        results.blockFrames = audio.BlockFrames();
        const auto firstSample = audio.Record().front().start;
        const auto firstByte = traffic->FirstBodyByteAfter(firstSample);
        if (!firstByte || !plugin->Stop()) {
            results.error = "no MP3 arrived in cycle " + std::to_string(cycle) + ": " + plugin->Status();
            return results;
        }
        // The last batch handed on before the first byte came.
        int64_t batch = 1;
        while (static_cast<size_t>((batch + 1) * kBatchFrames / audio.BlockFrames()) < audio.Timed() &&
               HandOff(audio, batch + 1) < *firstByte) {
            ++batch;
        }
        results.firstByteMillis.push_back(Millis(*firstByte - firstSample));
        results.batchingMillis.push_back(Millis(HandOff(audio, 1) - firstSample));
        results.encoderMillis.push_back(Millis(HandOff(audio, batch) - HandOff(audio, 1)));
        results.sendingMillis.push_back(Millis(*firstByte - HandOff(audio, batch)));
        results.batchesBeforeFirstFrame.push_back(static_cast<double>(batch));
    }
    return results;
}
