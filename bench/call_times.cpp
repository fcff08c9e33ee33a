// OnAudio at real-time pace while the plug-in streams to the server, as a
// host with a small buffer calls it: 64 frames at 48 kHz, 750 calls a
// second, in three phases: streaming as usual, long enough for the rare
// slow call to show in p99.9 and the maximum; the server process stopped
// for 5 s; the worker thread itself held for 5 s. A stopped icecast2 on loopback holds
// the worker up only once the kernel's send buffer, which grows to megabytes,
// is full; holding the worker makes certain that the input FIFO fills and
// batches are dropped, which the audio thread must do without allocating or
// waiting. Then, with the plug-in stopped, the floor (a copy and a wake per
// batch) at the same pace: what this machine's scheduling leaves for a call
// that does the least.

#include "call_times.h"

#include <csignal>
#include <thread>

#include "floor_audio.h"
#include "realtime_audio.h"
#include "statistics.h"
#include "support/heap_calls.h"
#include "support/thread_hold.h"

namespace {

using namespace std::chrono_literals;

constexpr int32_t kBitRateKbps = 128;
constexpr int32_t kHostRate = 48000;
constexpr int32_t kBlockFrames = 64;
constexpr auto kStall = 5s;
constexpr auto kFloorTime = 10s;
constexpr int32_t kBatchFrames = kFloorBatchFrames;

// Batches that frames [0, end) hand on: a batch goes when the frame after it comes.
int64_t BatchesBefore(int64_t end) {
    return end == 0 ? 0 : (end - 1) / kBatchFrames;
}

class PhaseRecorder {
public:
    explicit PhaseRecorder(const RealTimeAudio& audio) : audio(audio) {}

    void Begin() {
        first = audio.Timed();
        heapCalls = skyflume::test::HeapCalls();
    }
    CallTimePhase End(const std::string& name, std::chrono::seconds length) const {
        CallTimePhase phase;
        phase.name = name;
        phase.seconds = static_cast<double>(length.count());
        phase.heapCalls = skyflume::test::HeapCalls() - heapCalls;
        const size_t last = audio.Timed();
        for (size_t i = first; i < last; ++i) {
            phase.micros.push_back(audio.Record()[i].seconds * 1e6);
        }
        return phase;
    }
    size_t First() const { return first; }

private:
    const RealTimeAudio& audio;
    size_t first = 0;
    int64_t heapCalls = 0;
};

// Splits the normal phase's calls into those that hand a batch on and those
// that only stage.
void SplitHandOffs(const RealTimeAudio& audio, size_t first, size_t last, CallTimeResults& results) {
    std::vector<double> handing;
    std::vector<double> staging;
    const int64_t block = audio.BlockFrames();
    for (size_t i = first; i < last; ++i) {
        const auto start = static_cast<int64_t>(i) * block;
        (BatchesBefore(start + block) > BatchesBefore(start) ? handing : staging).push_back(audio.Record()[i].seconds);
    }
    results.handOffMicros = Median(handing) * 1e6;
    results.stagingNsPerFrame = Median(staging) * 1e9 / static_cast<double>(block);
}

void RunPluginPhases(BenchEnvironment& environment, std::chrono::seconds streaming, CallTimeResults& results) {
    const std::unique_ptr<BenchPlugin> plugin = environment.NewPlugin(results.error, kHostRate);
    if (!plugin) {
        return;
    }
    plugin->Type(environment.Direct(environment.NewMount("calls"), kBitRateKbps, TestSignal::kRate));
    if (!plugin->Start()) {
        results.error = "the plug-in did not stream: " + plugin->Status();
        return;
    }
    const auto seconds = (streaming + 2 * kStall + 2s).count();
    RealTimeAudio audio({plugin->Audio()}, environment.Signal().Floats(), kHostRate, kBlockFrames,
                        static_cast<size_t>(seconds * kHostRate / kBlockFrames));
    PhaseRecorder recorder(audio);

    recorder.Begin();
    std::this_thread::sleep_for(streaming);
    results.phases.push_back(recorder.End("streaming", streaming));
    SplitHandOffs(audio, recorder.First(), audio.Timed(), results);

    const pid_t server = environment.Server().Pid();
    recorder.Begin();
    kill(server, SIGSTOP);
    std::this_thread::sleep_for(kStall);
    kill(server, SIGCONT);
    results.phases.push_back(recorder.End("server stopped", kStall));

    recorder.Begin();
    const bool held = skyflume::test::HoldThread(plugin->Worker()->threadId, kStall);
    std::this_thread::sleep_for(kStall);
    results.phases.push_back(recorder.End("worker held", kStall));

    results.realTimeScheduling = audio.RealTime();
    // The worker catches up on what the FIFO kept before it is stopped.
    std::this_thread::sleep_for(1s);
    if (!held) {
        results.error = "the worker could not be held";
    } else if (!plugin->Stop()) {
        results.error = "the stream did not end as it should: " + plugin->Status();
    }
}

CallTimePhase RunFloorPhase(std::span<const float> signal) {
    FloorAudio floor(kBlockFrames);
    const RealTimeAudio audio({&floor}, signal, kHostRate, kBlockFrames,
                              static_cast<size_t>((kFloorTime + 1s).count() * kHostRate / kBlockFrames));
    PhaseRecorder recorder(audio);
    recorder.Begin();
    std::this_thread::sleep_for(kFloorTime);
    return recorder.End("floor", kFloorTime);
}

}  // namespace

CallTimeResults RunCallTimes(BenchEnvironment& environment, std::chrono::seconds streaming) {
    CallTimeResults results;
    results.hostRate = kHostRate;
    results.blockFrames = kBlockFrames;
    RunPluginPhases(environment, streaming, results);
    if (results.error.empty()) {
        results.floor = RunFloorPhase(environment.Signal().Floats());
    }
    return results;
}
