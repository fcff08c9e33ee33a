// 1, 2, 4 and 8 plug-in objects streaming at once, fed as fast as their
// workers take it by one audio thread; the counts take turns, up and down.

#include "scale.h"

#include "paced_feed.h"

namespace {

constexpr int kCounts[] = {1, 2, 4, 8};
constexpr int kRounds = 3;
constexpr int32_t kSeconds = 15;
constexpr int32_t kBitRateKbps = 128;

}  // namespace

ScaleResults RunScale(BenchEnvironment& environment) {
    ScaleResults results;
    results.rounds = kRounds;
    results.audioSeconds = kSeconds;
    std::vector<std::unique_ptr<BenchPlugin>> plugins;
    for (int i = 0; i < kCounts[std::size(kCounts) - 1]; ++i) {
        plugins.push_back(environment.NewPlugin(results.error));
        if (!plugins.back()) {
            return results;
        }
    }
    for (const int count : kCounts) {
        results.figures.emplace_back().streams = count;
    }
    const std::span<const float> audio(environment.Signal().Floats().data(), 2 * size_t{kSeconds} * TestSignal::kRate);
    for (int round = 0; round < kRounds; ++round) {
        for (size_t turn = 0; turn < std::size(kCounts); ++turn) {
            const size_t index = round % 2 == 0 ? turn : std::size(kCounts) - 1 - turn;
            ScaleFigures& figures = results.figures[index];
            std::vector<std::shared_ptr<SourceTraffic>> traffic;
            std::vector<FedStream> streams;
            for (int i = 0; i < figures.streams; ++i) {
                traffic.push_back(environment.StartThroughRelay(*plugins[i], "scale", kBitRateKbps, TestSignal::kRate));
                if (!traffic.back()) {
                    results.error = std::to_string(figures.streams) + " streams: " + plugins[i]->Status();
                    return results;
                }
                streams.push_back({plugins[i]->Audio(), traffic.back().get(), kBitRateKbps});
            }
            const auto calls = FeedAsTaken(streams, audio, TestSignal::kRate);
            double cpu = 0;
            for (int i = 0; i < figures.streams; ++i) {
                if (!plugins[i]->Stop()) {
                    results.error = std::to_string(figures.streams) + " streams: " + plugins[i]->Status();
                    return results;
                }
                cpu += plugins[i]->Worker()->cpuSeconds;
            }
            if (!calls) {
                results.error = std::to_string(figures.streams) + " streams: a worker stopped taking audio";
                return results;
            }
            figures.workerCpu.push_back(cpu / figures.streams / kSeconds);
            for (const double seconds : *calls) {
                figures.callMicros.push_back(seconds * 1e6);
            }
        }
    }
    return results;
}
