#include "report.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "statistics.h"

namespace {

std::string Format(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    va_list again;
    va_copy(again, arguments);
    std::string text(static_cast<size_t>(std::vsnprintf(nullptr, 0, format, arguments)), '\0');
    va_end(arguments);
    std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    return text;
}

const char* Verdict(bool met) {
    return met ? "met" : "**missed**";
}

std::string Rate(int32_t outputRate) {
    return outputRate == 44100 ? "44.1 → 44.1 kHz" : "44.1 → 48 kHz";
}

double Mebibytes(int64_t kib) {
    return static_cast<double>(kib) / 1024.0;
}

class Report {
public:
    explicit Report(const BenchResults& results) : r(results) {}

    std::string AudioThreadText() {
        AudioThread({});
        return out.str();
    }

    std::string Text(const std::string& picture) {
        Header();
        Goals();
        Anchors();
        AudioThread(picture);
        Latency();
        Scale();
        Memory();
        return out.str();
    }

private:
    void Line(const std::string& text = {}) { out << text << "\n"; }

    void Header() {
        const BenchContext& c = r.context;
        Line("# Benchmarks");
        Line();
        Line(
            "Written by `scripts/bench.sh`, which built the module in release mode and ran every benchmark "
            "in one run; nothing here is edited by hand. Timings that compare are ratios measured side by "
            "side in this run, the contenders taking turns round after round, and the median of the rounds; "
            "absolute times are context only, since they move with the machine and its load.");
        Line();
        Line("| | |");
        Line("|---|---|");
        Line("| date | " + c.date + " |");
        Line(Format("| machine | %s, %d cores; %s |", c.processor.c_str(), c.cores, c.kernel.c_str()));
        Line("| module's libraries | " + c.libraries + " |");
        Line("| ffmpeg command line | " + c.ffmpeg + " |");
        Line("| lame command line | " + c.lame + " |");
        Line(Format("| load average | %.2f when the run began, %.2f when it ended (%.0f s) |", c.loadBefore,
                    c.loadAfter, c.runSeconds));
        Line();
    }

    void Goal(const std::string& what, const std::string& target, const std::string& measured, bool met) {
        Line("| " + what + " | " + target + " | " + measured + " | " + Verdict(met) + " |");
    }

    void Goals() {
        Line("## Goals");
        Line();
        Line("| goal | target | measured | |");
        Line("|---|---|---|---|");
        for (const AnchorFigures& f : r.anchors.figures) {
            const double limit = f.outputRate == 44100 ? 1.00 : 1.04;
            Goal(Format("worker CPU against `lame`, %s, %d kbit/s", Rate(f.outputRate).c_str(), f.bitRateKbps),
                 Format("≤ %.2f ×", limit), Format("%.3f ×", f.workerToLame), f.workerToLame <= limit);
        }
        for (const AnchorFigures& f : r.anchors.figures) {
            Goal(Format("worker CPU against `ffmpeg`, %s, %d kbit/s", Rate(f.outputRate).c_str(), f.bitRateKbps),
                 "< 1 ×", Format("%.3f ×", f.workerToFfmpeg), f.workerToFfmpeg < 1.0);
        }
        for (const CallCostFigures& f : r.callCost.figures) {
            Goal(Format("`OnAudio` per frame against the floor, %d frames a call", f.callFrames), "≤ 1.2 ×",
                 Format("%.2f ×", f.toFloor), f.toFloor <= 1.2);
        }
        const std::string pace = Format("%d frames at %d Hz, %s", r.callTimes.blockFrames, r.callTimes.hostRate,
                                        r.callTimes.realTimeScheduling ? "SCHED_FIFO" : "SCHED_FIFO refused");
        for (const CallTimePhase& phase : r.callTimes.phases) {
            const double p999 = Percentile(phase.micros, 99.9);
            const double maximum = Maximum(phase.micros);
            Goal("`OnAudio` p99.9, " + pace + ", " + phase.name, "≤ 20 µs", Format("%.1f µs", p999), p999 <= 20.0);
            Goal("`OnAudio` maximum, " + pace + ", " + phase.name, "≤ 100 µs", Format("%.1f µs", maximum),
                 maximum <= 100.0);
        }
        for (const CallTimePhase& phase : r.callTimes.phases) {
            Goal("heap calls on the audio thread, " + phase.name, "0", std::to_string(phase.heapCalls),
                 phase.heapCalls == 0);
        }
        const double stop = Median(r.latency.stopMillis);
        const double start = Median(r.latency.startMillis);
        Goal("Stop → 20001 on loopback (median)", "≤ 30 ms", Format("%.2f ms", stop), stop <= 30.0);
        Goal("Stream → 20002 on loopback (median)", "≤ 10 ms", Format("%.2f ms", start), start <= 10.0);
        if (r.scale.figures.size() >= 2) {
            const double growth = ScaleGrowth();
            Goal(Format("worker CPU per stream at %d streams against 1", r.scale.figures.back().streams),
                 "within ±10 %", Format("%+.1f %%", 100.0 * (growth - 1.0)), std::abs(growth - 1.0) <= 0.10);
        }
        if (!r.memory.runs.empty()) {
            const MemoryRun& later = r.memory.runs.back();
            Goal("resident memory added while streaming (a later run)", "≤ 8 MiB",
                 Format("%.2f MiB", Mebibytes(later.peakKiB - later.beforeKiB)),
                 later.peakKiB - later.beforeKiB <= 8 * 1024);
            Goal("resident memory left after the run (a later run)", "≤ 1 MiB",
                 Format("%.2f MiB", Mebibytes(later.afterKiB - later.beforeKiB)),
                 later.afterKiB - later.beforeKiB <= 1024);
        }
        Line();
    }

    double ScaleGrowth() const {
        return Median(r.scale.figures.back().workerCpu) / Median(r.scale.figures.front().workerCpu);
    }

    void Anchors() {
        const AnchorResults& a = r.anchors;
        Line("## The worker against the `lame` and `ffmpeg` command lines");
        Line();
        Line(
            Format("The same %d s of audio, a 1 kHz tone at -6 dBFS with white noise at -50 dBFS on each "
                   "channel, 16-bit stereo at 44.1 kHz from a fixed seed, the same bytes for everyone: (a) the "
                   "module, loaded with `dlopen` and driven through its own interfaces, streaming to a local "
                   "icecast2, its CPU time the worker thread's own clock from `Run` to its return; (b) `lame` "
                   "reading the bytes as raw PCM and writing an MP3 file; (c) `ffmpeg` reading the bytes and "
                   "sending MP3 to the same icecast2; their CPU time the whole process's (user and system). "
                   "%d rounds; in each round every setting runs all three, in an order that rotates from round "
                   "to round.",
                   BenchEnvironment::kSignalSeconds, a.rounds));
        Line();
        Line("| output | bit rate | worker (s) | lame (s) | ffmpeg (s) | worker / lame | worker / ffmpeg |");
        Line("|---|---|---|---|---|---|---|");
        for (const AnchorFigures& f : a.figures) {
            Line(Format("| %s | %d kbit/s | %.3f | %.3f | %.3f | %.3f | %.3f |", Rate(f.outputRate).c_str(),
                        f.bitRateKbps, Median(f.worker), Median(f.lame), Median(f.ffmpeg), f.workerToLame,
                        f.workerToFfmpeg));
        }
        Line();
        Line(
            "Seconds of CPU are the medians of the rounds; the ratios are the medians of each round's own "
            "ratio.");
        Line();
        Line(
            "**Everyone encoded the same 60 s in full.** The module's audio thread hands the audio over in "
            "10 ms blocks as fast as the worker takes it: a block goes out only while the MP3 bytes that have "
            "passed a relay in front of the server (at the stream's bit rate) account for all but one second "
            "of what was handed over, so the 4 s input FIFO never runs out of room and no batch is dropped. "
            "After the signal come two batches of silence (2304 frames), since the capture buffer sends a "
            "batch only when the frame after it comes and the resampler keeps a few samples back; Stop then "
            "drains the encoder. Every output of the first round was decoded again with FFmpeg:");
        Line();
        Line("| output | bit rate | worker (s) | lame (s) | ffmpeg (s) |");
        Line("|---|---|---|---|---|");
        for (const AnchorFigures& f : a.figures) {
            Line(Format("| %s | %d kbit/s | %.3f | %.3f | %.3f |", Rate(f.outputRate).c_str(), f.bitRateKbps,
                        f.workerDecoded, f.lameDecoded, f.ffmpegDecoded));
        }
        Line();
        Line(
            "Each holds at least the 60 s: `lame` marks its encoder delay and padding in its file's header, so "
            "the decoder gives exactly 60 s; a stream has no such header, so the decoder also gives the "
            "encoder's delay (1105 samples) and the last frame's padding, and the module's stream the 52 ms of "
            "silence after the signal.");
        Line();
        Profiles();
    }

    void Profiles() {
        const BenchContext& c = r.context;
        if (c.workerProfile.empty() || c.lameProfile.empty()) {
            return;
        }
        Line(
            "**Where the time goes.** `perf record` (cpu-clock) of one more run of each at 44.1 → 44.1 kHz "
            "and 128 kbit/s, by library, as shares of the worker thread's samples and of the `lame` process's:");
        Line();
        Line("```");
        Line("worker thread");
        out << c.workerProfile;
        Line();
        Line("lame");
        out << c.lameProfile;
        Line("```");
        Line();
        Line(
            "In both, the encoder (libmp3lame) does nearly all of the work, so the ratios turn on how fast "
            "the same encoder runs in each. Around it, `lame` reads its file (libsndfile); the worker hands "
            "the encoder 32-bit integers, its first sample format, which FFmpeg's resampler makes from the "
            "capture's floats (libswresample), and muxes, queues and sends each packet (libavformat, "
            "libavutil, the kernel). The worker keeps asking for the encoder's first sample format.");
        Line();
    }

    void AudioThread(const std::string& picture) {
        const CallCostResults& cost = r.callCost;
        const CallTimeResults& times = r.callTimes;
        Line("## The audio thread");
        Line();
        Line(
            Format("Google Benchmark (%d repetitions of each, in random interleaving) of `OnAudio` on the "
                   "streaming plug-in, reached through its exports and its `SXAudioCallback`, against a plain "
                   "deinterleaving copy of the same frames in the same calls in the same binary. Each iteration "
                   "hands over the fewest calls that make up one batch of the capture buffer (1152 frames) or "
                   "more, so every iteration hands a batch on to the worker; between iterations, untimed, the "
                   "worker takes what it was given and goes back to sleep, as between batches in a live host. "
                   "The copy pauses the same way. Both are timed on the thread's own CPU clock, less the "
                   "clock's own cost: the wall clock would also count the moments this thread waits for a core "
                   "while the worker it woke starts, which come and go on a shared machine.",
                   cost.repetitions));
        Line();
        Line(
            "The floor is what handing frames to a worker costs at the least: the same copy plus one wake of a "
            "thread that sleeps on an event, as the worker does, for every 1152 frames, the size of one batch.");
        Line();
        Line(
            "| frames a call | frames an iteration | `OnAudio` (ns/frame) | floor (ns/frame) | bare copy (ns/frame) | "
            "against the floor | against the copy | `OnAudio` an iteration (µs) |");
        Line("|---|---|---|---|---|---|---|---|");
        for (const CallCostFigures& f : cost.figures) {
            Line(Format("| %d | %lld | %.3f | %.3f | %.3f | %.2f | %.2f | %.2f |", f.callFrames,
                        static_cast<long long>(f.iterationFrames), f.onAudioNsPerFrame, f.floorNsPerFrame,
                        f.copyNsPerFrame, f.toFloor, f.toCopy,
                        f.onAudioNsPerFrame * static_cast<double>(f.iterationFrames) * 1e-3));
        }
        Line();
        Line(
            Format("**Where the time goes.** Handing a batch on is one lock, one FIFO append (a second copy of "
                   "the batch) and setting the worker's event, and the worker sleeps on that event: setting it "
                   "wakes a thread on the other core, a system call. Waking a thread that sleeps on a bare "
                   "event costs %.2f µs of the waker's CPU time "
                   "on this machine, measured in the same run: about what a whole iteration costs, against the "
                   "copy's one microsecond or so. Spread over a batch's 1152 frames the wake alone is several "
                   "times the copy, whatever the call size, which is why the goal is set against the floor. At "
                   "real-time pace (below) a call that only stages frames takes %.2f ns a frame and one that also "
                   "hands a batch on %.1f µs (medians, on the wall clock).",
                   cost.wakeMicros, times.stagingNsPerFrame, times.handOffMicros));
        Line();
        Line(
            Format("At real-time pace: the host's audio thread (%s) hands the streaming plug-in %d frames at "
                   "%d Hz, a call every %.2f ms, with the worker running, and times every call; heap calls on "
                   "that thread are counted by replacing `malloc` and its relatives in the benchmark program.",
                   times.realTimeScheduling
                       ? "SCHED_FIFO, as hosts run theirs"
                       : "ordinary scheduling: this machine refused SCHED_FIFO (no CAP_SYS_NICE or RLIMIT_RTPRIO), "
                         "so the figures include the scheduler's delays and the goals are not met as asked",
                   times.blockFrames, times.hostRate, 1e3 * times.blockFrames / std::max(times.hostRate, 1)));
        Line();
        Line("| phase | calls | mean (µs) | p50 (µs) | p99 (µs) | p99.9 (µs) | max (µs) | heap calls |");
        Line("|---|---|---|---|---|---|---|---|");
        for (const CallTimePhase& phase : times.PhasesAndFloor()) {
            Line(Format("| %s (%.0f s) | %zu | %.2f | %.2f | %.2f | %.2f | %.2f | %lld |", phase.name.c_str(),
                        phase.seconds, phase.micros.size(), Mean(phase.micros), Percentile(phase.micros, 50),
                        Percentile(phase.micros, 99), Percentile(phase.micros, 99.9), Maximum(phase.micros),
                        static_cast<long long>(phase.heapCalls)));
        }
        Line();
        Line(
            "\"server stopped\": icecast2 stopped with SIGSTOP for 5 s. On loopback that barely reaches the "
            "worker: Linux lets the worker's send buffer grow to megabytes, so its writes go on. \"worker "
            "held\": the worker thread itself held for 5 s (a signal whose handler sleeps), as a write stuck "
            "on a stalled network would; the 4 s input FIFO fills and the capture buffer drops the batches "
            "that find no room, without allocating or waiting. \"floor\": with the plug-in stopped, the same "
            "thread at the same pace calls the floor instead (the copy, and a wake of a sleeping thread per 1152 "
            "frames), which shows what this machine's scheduling leaves for a call that does the least.");
        Line();
        if (!picture.empty()) {
            Line("![Share of OnAudio calls longer than a given time](" + picture + ")");
            Line();
        }
    }

    void Latency() {
        const LatencyResults& l = r.latency;
        Line("## Latency on loopback");
        Line();
        Line(
            Format("%zu Stream/Stop cycles with the host's audio thread running, from the click until the "
                   "event has run on the GUI thread (Stream connects to icecast2 and sets up the encoder "
                   "meanwhile; Stop waits for the worker's final pass, the drain and the trailer):",
                   l.startMillis.size()));
        Line();
        Line("| | median (ms) | p90 (ms) | max (ms) |");
        Line("|---|---|---|---|");
        Line(Format("| Stream → 20002 | %.2f | %.2f | %.2f |", Median(l.startMillis), Percentile(l.startMillis, 90),
                    Maximum(l.startMillis)));
        Line(Format("| Stop → 20001 | %.2f | %.2f | %.2f |", Median(l.stopMillis), Percentile(l.stopMillis, 90),
                    Maximum(l.stopMillis)));
        Line();
        Line(
            Format("First sample into `OnAudio` → the first byte of MP3 audio arriving through the socket (at the "
                   "relay), %zu runs, %d frames a call every 10 ms, 128 kbit/s:",
                   l.firstByteMillis.size(), l.blockFrames));
        Line();
        Line("| | median (ms) |");
        Line("|---|---|");
        Line(Format("| first sample → first MP3 byte | %.1f |", Median(l.firstByteMillis)));
        Line(
            Format("| batching: until the capture buffer hands on its first batch | %.1f |", Median(l.batchingMillis)));
        Line(Format("| encoder delay: further batches before the encoder gives out its first frame | %.1f |",
                    Median(l.encoderMillis)));
        Line(Format("| the worker's wake, resampling, encoding and the socket | %.2f |", Median(l.sendingMillis)));
        Line();
        Line(
            Format("A batch is one MP3 frame, 1152 frames (26.1 ms at 44.1 kHz), and goes on when the frame after "
                   "it comes, in the call that brings it. The encoder gives out its first frame only once it has "
                   "been sent %.0f batches (the median): that is its delay. The last part is the only time spent "
                   "on the way out, so nothing waits there: each packet goes to the socket as it comes.",
                   Median(l.batchesBeforeFirstFrame)));
        Line();
    }

    void Scale() {
        const ScaleResults& s = r.scale;
        Line("## Streams at once");
        Line();
        Line(
            Format("1, 2, 4 and 8 plug-in objects in one process, each streaming %.0f s of the signal at "
                   "44.1 kHz and 128 kbit/s to its own mount of the same icecast2, all fed by one audio thread "
                   "as fast as the slowest worker takes it; %d rounds, the counts taking turns up and down.",
                   s.audioSeconds, s.rounds));
        Line();
        Line(
            "| streams | worker CPU per stream (ms per s of audio) | against 1 stream | OnAudio mean (µs) | OnAudio "
            "p99 (µs) |");
        Line("|---|---|---|---|---|");
        for (const ScaleFigures& f : s.figures) {
            const double cpu = Median(f.workerCpu);
            Line(Format("| %d | %.2f | %.3f × | %.2f | %.2f |", f.streams, cpu * 1e3,
                        cpu / Median(s.figures.front().workerCpu), Mean(f.callMicros), Percentile(f.callMicros, 99)));
        }
        Line();
        Line(
            "Worker CPU is the median of the rounds of the mean over the run's streams; OnAudio's times are every "
            "call's over all rounds, one call per stream and block.");
        Line();
    }

    void Memory() {
        const MemoryResults& m = r.memory;
        Line("## Memory");
        Line();
        Line(
            Format("Resident memory of the benchmark process (the kernel's count), around stream runs of %.0f s "
                   "of audio fed as fast as the worker takes it: before the Stream click, the most at once "
                   "while streaming, and once the run has ended and its thread is gone. The first run is the "
                   "process's first: it also sets up FFmpeg's and LAME's tables for good.",
                   m.audioSeconds));
        Line();
        Line("| run | added while streaming (MiB) | left after the run (MiB) |");
        Line("|---|---|---|");
        for (size_t i = 0; i < m.runs.size(); ++i) {
            const MemoryRun& run = m.runs[i];
            Line(Format("| %s | %.2f | %.2f |", i == 0 ? "first" : std::to_string(i + 1).c_str(),
                        Mebibytes(run.peakKiB - run.beforeKiB), Mebibytes(run.afterKiB - run.beforeKiB)));
        }
        Line();
    }

    const BenchResults& r;
    std::ostringstream out;
};

}  // namespace

std::string WriteReport(const BenchResults& results, const std::filesystem::path& markdown,
                        const std::string& picture) {
    std::ofstream file(markdown, std::ios::trunc);
    file << Report(results).Text(picture);
    return file ? std::string() : "cannot write " + markdown.string();
}

std::string AudioThreadSummary(const BenchResults& results) {
    return Report(results).AudioThreadText();
}
