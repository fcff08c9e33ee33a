// Google Benchmark of OnAudio against a bare copy. Each iteration hands the
// streaming plug-in the fewest calls of the given size that make up one
// batch of the capture buffer (1152 frames, one MP3 frame) or more, so that
// every iteration hands at least one batch on to the worker, and times them
// as a whole on the thread's own CPU clock: the wall clock would also count
// the times this thread waits for a core while the worker it woke starts,
// which on a shared machine come and go. Between iterations, untimed, the worker takes what it was
// given and goes back to sleep, as it does between batches in a live host:
// each batch goes into the input FIFO (none is dropped for want of room)
// and wakes the worker. The copy gets the same frames in the same calls,
// with the same pause between iterations, and so does the floor: the copy
// plus one wake of a sleeping thread per 1152 frames, the least that
// handing batches on to a worker can cost. A last benchmark times one such
// wake alone. Repetitions of all of them interleave in random order.

#include "onaudio_benchmark.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <map>
#include <thread>

#include "floor_audio.h"
#include "paced_feed.h"
#include "statistics.h"

namespace {

constexpr int32_t kCallSizes[] = {64, 441, 4096};
constexpr int kIterations = 100;
constexpr int32_t kBitRateKbps = 128;
constexpr int32_t kBatchFrames = kFloorBatchFrames;
// What the worker may still hold when it has taken an iteration's frames:
// a batch not yet handed on, and the encoder's frames kept back.
constexpr int64_t kSlackFrames = 3 * kBatchFrames;
// Enough for the worker to finish its last batch and wait again.
constexpr auto kPause = std::chrono::milliseconds(1);

// Keeps the time of every repetition, by benchmark name.
class Collector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                secondsPerIteration[run.run_name.function_name].push_back(run.real_accumulated_time /
                                                                          static_cast<double>(run.iterations));
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    std::map<std::string, std::vector<double>> secondsPerIteration;
};

int64_t IterationFrames(int32_t callFrames) {
    return (kBatchFrames + callFrames - 1) / callFrames * callFrames;
}

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Times a stretch of this thread's work on its CPU clock, less what reading
// the clock itself costs (a system call), which would otherwise count
// towards both sides of every ratio.
class CpuStopwatch {
public:
    CpuStopwatch() {
        std::vector<double> readings;
        for (int i = 0; i < 1000; ++i) {
            const double start = ThreadCpuSeconds();
            readings.push_back(ThreadCpuSeconds() - start);
        }
        overhead = Median(readings);
    }
    template <class Work>
    double Time(const Work& work) const {
        const double start = ThreadCpuSeconds();
        work();
        return std::max(ThreadCpuSeconds() - start - overhead, 0.0);
    }

private:
    double overhead = 0;
};

// Registers a benchmark whose iteration is `work`, timed on the CPU clock,
// followed, untimed, by `between` and the pause.
template <class Work, class Between = void (*)()>
void Register(
    const std::string& name, const CpuStopwatch& stopwatch, int repetitions, Work work, Between between = [] {}) {
    benchmark::RegisterBenchmark(name.c_str(),
                                 [&stopwatch, work, between](benchmark::State& state) {
                                     for (auto _ : state) {
                                         state.SetIterationTime(stopwatch.Time(work));
                                         between();
                                         std::this_thread::sleep_for(kPause);
                                     }
                                 })
        ->UseManualTime()
        ->Iterations(kIterations)
        ->Repetitions(repetitions);
}

}  // namespace

CallCostResults RunCallCost(BenchEnvironment& environment, int repetitions) {
    CallCostResults results;
    results.repetitions = repetitions;

    const std::unique_ptr<BenchPlugin> plugin = environment.NewPlugin(results.error);
    if (!plugin) {
        return results;
    }
    const auto traffic = environment.StartThroughRelay(*plugin, "onaudio", kBitRateKbps, TestSignal::kRate);
    if (!traffic) {
        results.error = "the plug-in did not stream: " + plugin->Status();
        return results;
    }
    const FedStream stream{plugin->Audio(), traffic.get(), kBitRateKbps};
    const float* samples = environment.Signal().Floats().data();
    int64_t fed = 0;
    bool workerKeptUp = true;
    const CpuStopwatch stopwatch;
    const int32_t largestCall = kCallSizes[std::size(kCallSizes) - 1];
    FloorAudio floor(largestCall);
    FloorAudio bareCopy(largestCall, false);
    Sleeper sleeper;

    for (const int32_t callFrames : kCallSizes) {
        const int64_t frames = IterationFrames(callFrames);
        const std::string size = std::to_string(callFrames);
        // One iteration: the same frames in the same calls, whoever takes them.
        const auto feed = [samples, callFrames, frames](SXAudioCallback* callback) {
            return [=] {
                for (int64_t frame = 0; frame < frames; frame += callFrames) {
                    callback->OnAudio(nullptr, samples + 2 * frame, callFrames);
                }
            };
        };
        Register("OnAudio/" + size, stopwatch, repetitions, feed(stream.audio), [&, frames] {
            fed += frames;
            workerKeptUp = WaitUntilTaken(stream, fed, kSlackFrames, TestSignal::kRate) && workerKeptUp;
        });
        Register("Floor/" + size, stopwatch, repetitions, feed(&floor));
        Register("BareCopy/" + size, stopwatch, repetitions, feed(&bareCopy));
    }
    Register("WakeSleepingThread", stopwatch, repetitions, [&] { sleeper.Wake(); });
    const char* arguments[] = {"skyflume-bench", "--benchmark_enable_random_interleaving=true"};
    int argumentCount = static_cast<int>(std::size(arguments));
    benchmark::Initialize(&argumentCount, const_cast<char**>(arguments));
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::ClearRegisteredBenchmarks();
    if (!plugin->Stop() || !workerKeptUp) {
        results.error = "the worker did not keep up: " + plugin->Status();
        return results;
    }

    results.wakeMicros = Median(collector.secondsPerIteration["WakeSleepingThread"]) * 1e6;
    for (const int32_t callFrames : kCallSizes) {
        const auto perFrame = static_cast<double>(IterationFrames(callFrames)) * 1e-9;
        std::vector<double>& onAudio = collector.secondsPerIteration["OnAudio/" + std::to_string(callFrames)];
        std::vector<double>& copy = collector.secondsPerIteration["BareCopy/" + std::to_string(callFrames)];
        std::vector<double>& floor = collector.secondsPerIteration["Floor/" + std::to_string(callFrames)];
        if (onAudio.size() != copy.size() || onAudio.size() != floor.size() || onAudio.empty()) {
            results.error = "Google Benchmark reported no runs";
            return results;
        }
        std::vector<double> toCopy;
        std::vector<double> toFloor;
        for (size_t i = 0; i < onAudio.size(); ++i) {
            toCopy.push_back(onAudio[i] / copy[i]);
            toFloor.push_back(onAudio[i] / floor[i]);
        }
        results.figures.push_back({callFrames, IterationFrames(callFrames), Median(onAudio) / perFrame,
                                   Median(copy) / perFrame, Median(floor) / perFrame, Median(toCopy), Median(toFloor)});
    }
    return results;
}
