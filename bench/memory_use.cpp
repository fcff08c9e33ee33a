// Resident memory added by a stream run and left after it, from the
// kernel's own count. The first run in a fresh process is measured first,
// before any other benchmark has streamed.

#include "memory_use.h"

#include <fstream>

#include "paced_feed.h"
#include "support/process_resources.h"

namespace {

constexpr int kRuns = 3;
constexpr int32_t kSeconds = 20;
constexpr int32_t kBitRateKbps = 128;

// From here on, the peak counts from what is resident now.
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

}  // namespace

MemoryResults RunMemory(BenchEnvironment& environment) {
    MemoryResults results;
    results.audioSeconds = kSeconds;
    const std::unique_ptr<BenchPlugin> plugin = environment.NewPlugin(results.error);
    if (!plugin) {
        return results;
    }
    const std::span<const float> audio(environment.Signal().Floats().data(), 2 * size_t{kSeconds} * TestSignal::kRate);
    for (int run = 0; run < kRuns; ++run) {
        const std::string mount = environment.NewMount("memory");
        const auto traffic = environment.Relay().Watch(mount, false);
        plugin->Type(environment.ThroughRelay(mount, kBitRateKbps, TestSignal::kRate));
        MemoryRun& memory = results.runs.emplace_back();
        ResetPeak();
        memory.beforeKiB = skyflume::test::CurrentProcessResources().memoryKiB;
        if (!plugin->Start()) {
            results.error = "the plug-in did not stream: " + plugin->Status();
            return results;
        }
        const FedStream stream{plugin->Audio(), traffic.get(), kBitRateKbps};
        const bool fed = FeedAsTaken({&stream, 1}, audio, TestSignal::kRate).has_value();
        if (!plugin->Stop() || !fed) {
            results.error = "the stream did not run to its end: " + plugin->Status();
            return results;
        }
        environment.Application().WaitForThreads();
        const skyflume::test::ProcessResources after = skyflume::test::CurrentProcessResources();
        memory.peakKiB = after.peakResidentKiB;
        memory.afterKiB = after.memoryKiB;
    }
    return results;
}
