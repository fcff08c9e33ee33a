// The module's worker against the lame and ffmpeg command lines: the same
// 60 s through each, round by round, the three taking turns in a rotating
// order within each round, at each output rate and bit rate.

#include "anchors.h"

#include <array>
#include <fstream>
#include <string>
#include <thread>

#include "host/app/audio_source.h"
#include "measured_command.h"
#include "paced_feed.h"
#include "statistics.h"

namespace {

using namespace std::chrono_literals;

constexpr int kRounds = 5;
constexpr auto kCommandTimeout = 120s;
constexpr auto kRelayCloseTimeout = 5s;
// The capture buffer sends a batch of 1152 frames when the frame after it
// arrives, and the resampler keeps a few samples back: two batches of
// silence after the signal let every sample of it reach the encoder, which
// is drained at Stop. The command lines pad their last frame themselves.
constexpr int64_t kTailFrames = 2 * 1152;

struct Setting {
    int32_t outputRate;
    int32_t bitRateKbps;
};
constexpr Setting kSettings[] = {{44100, 128}, {48000, 128}, {44100, 320}, {48000, 320}};

enum class Contender { Worker, Lame, Ffmpeg };
constexpr std::array kContenders = {Contender::Worker, Contender::Lame, Contender::Ffmpeg};

// What one run tells: CPU seconds and the seconds of audio in its output.
struct Run {
    double cpuSeconds = -1;
    double decodedSeconds = 0;
};

// Seconds of audio that FFmpeg decodes from the file, at the given rate.
double DecodedSeconds(const std::filesystem::path& file, int32_t rate) {
    OpenedAudioSource opened = OpenAudioFile(file.string(), rate, false);
    if (!opened.source) {
        return 0;
    }
    std::vector<float> frames(2 * 4096);
    int64_t total = 0;
    for (int read = 0; (read = opened.source->Read(frames.data(), 4096)) > 0;) {
        total += read;
    }
    return static_cast<double>(total) / rate;
}

// The relay's copy of what a source sent, once its connection has closed.
bool SaveBody(const SourceTraffic& traffic, const std::filesystem::path& file) {
    const auto deadline = std::chrono::steady_clock::now() + kRelayCloseTimeout;
    while (!traffic.Closed() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    const std::string body = traffic.Body();
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(body.data(), static_cast<std::streamsize>(body.size()));
    return traffic.Closed();
}

class AnchorRunner {
public:
    AnchorRunner(BenchEnvironment& environment, BenchPlugin& plugin) : environment(environment), plugin(plugin) {
        const std::vector<float>& signal = environment.Signal().Floats();
        fed.assign(signal.begin(), signal.end());
        fed.resize(fed.size() + 2 * kTailFrames, 0.0f);
    }

    // Decoding takes a while, so only the first round's outputs are decoded.
    Run Measure(Contender contender, const Setting& setting, const std::string& name, bool decode) {
        const std::filesystem::path output = environment.Folder() / (name + ".mp3");
        Run run;
        switch (contender) {
        case Contender::Worker:
            run.cpuSeconds = Worker(setting, output);
            break;
        case Contender::Lame:
            run.cpuSeconds = Lame(setting, output);
            break;
        case Contender::Ffmpeg:
            run.cpuSeconds = Ffmpeg(setting, output);
            break;
        }
        if (run.cpuSeconds >= 0 && decode) {
            run.decodedSeconds = DecodedSeconds(output, setting.outputRate);
        }
        return run;
    }

private:
    double Worker(const Setting& setting, const std::filesystem::path& output) {
        const auto traffic =
            environment.StartThroughRelay(plugin, "worker", setting.bitRateKbps, setting.outputRate, true);
        if (!traffic) {
            return -1;
        }
        const FedStream stream{plugin.Audio(), traffic.get(), setting.bitRateKbps};
        const bool fedAll = FeedAsTaken({&stream, 1}, fed, TestSignal::kRate).has_value();
        if (!plugin.Stop() || !fedAll || !SaveBody(*traffic, output)) {
            return -1;
        }
        return plugin.Worker()->cpuSeconds;
    }

    double Lame(const Setting& setting, const std::filesystem::path& output) {
        std::vector<std::string> command = {
            "lame", "--quiet", "-r", "-s", "44.1", "--bitwidth", "16", "-b", std::to_string(setting.bitRateKbps)};
        if (setting.outputRate != TestSignal::kRate) {
            command.insert(command.end(), {"--resample", std::to_string(setting.outputRate / 1000)});
        }
        command.insert(command.end(), {environment.RawSignal().string(), output.string()});
        const MeasuredCommand run = RunMeasured(command, output.string() + ".log", kCommandTimeout);
        return run.succeeded ? run.cpuSeconds : -1;
    }

    double Ffmpeg(const Setting& setting, const std::filesystem::path& output) {
        const std::string mount = environment.NewMount("ffmpeg");
        const auto traffic = environment.Relay().Watch(mount, true);
        const MeasuredCommand run = RunMeasured({"ffmpeg",
                                                 "-nostdin",
                                                 "-hide_banner",
                                                 "-loglevel",
                                                 "error",
                                                 "-f",
                                                 "s16le",
                                                 "-ar",
                                                 std::to_string(TestSignal::kRate),
                                                 "-ac",
                                                 "2",
                                                 "-i",
                                                 environment.RawSignal().string(),
                                                 "-c:a",
                                                 "libmp3lame",
                                                 "-b:a",
                                                 std::to_string(setting.bitRateKbps) + "k",
                                                 "-ar",
                                                 std::to_string(setting.outputRate),
                                                 "-content_type",
                                                 "audio/mpeg",
                                                 "-f",
                                                 "mp3",
                                                 environment.RelayUrl(mount)},
                                                output.string() + ".log", kCommandTimeout);
        return run.succeeded && SaveBody(*traffic, output) ? run.cpuSeconds : -1;
    }

    BenchEnvironment& environment;
    BenchPlugin& plugin;
    std::vector<float> fed;
};

const char* NameOf(Contender contender) {
    switch (contender) {
    case Contender::Worker:
        return "worker";
    case Contender::Lame:
        return "lame";
    case Contender::Ffmpeg:
        return "ffmpeg";
    }
    return "";
}

}  // namespace

AnchorResults RunAnchors(BenchEnvironment& environment) {
    AnchorResults results;
    results.rounds = kRounds;
    const std::unique_ptr<BenchPlugin> plugin = environment.NewPlugin(results.error);
    if (!plugin) {
        return results;
    }
    AnchorRunner runner(environment, *plugin);
    for (const Setting& setting : kSettings) {
        AnchorFigures& figures = results.figures.emplace_back();
        figures.outputRate = setting.outputRate;
        figures.bitRateKbps = setting.bitRateKbps;
    }
    for (int round = 0; round < kRounds; ++round) {
        for (size_t s = 0; s < std::size(kSettings); ++s) {
            AnchorFigures& figures = results.figures[s];
            for (size_t turn = 0; turn < kContenders.size(); ++turn) {
                const Contender contender = kContenders[(turn + static_cast<size_t>(round)) % kContenders.size()];
                const std::string name = std::string(NameOf(contender)) + "-" +
                                         std::to_string(kSettings[s].outputRate) + "-" +
                                         std::to_string(kSettings[s].bitRateKbps) + "-" + std::to_string(round);
                const Run run = runner.Measure(contender, kSettings[s], name, round == 0);
                if (run.cpuSeconds < 0) {
                    results.error = name + " failed (" + plugin->Status() + "); see " + environment.Folder().string();
                    return results;
                }
                std::vector<double>& cpu = contender == Contender::Worker ? figures.worker
                                           : contender == Contender::Lame ? figures.lame
                                                                          : figures.ffmpeg;
                cpu.push_back(run.cpuSeconds);
                if (round == 0) {
                    (contender == Contender::Worker ? figures.workerDecoded
                     : contender == Contender::Lame ? figures.lameDecoded
                                                    : figures.ffmpegDecoded) = run.decodedSeconds;
                }
            }
        }
    }
    for (AnchorFigures& figures : results.figures) {
        std::vector<double> toLame;
        std::vector<double> toFfmpeg;
        for (int round = 0; round < kRounds; ++round) {
            toLame.push_back(figures.worker[round] / figures.lame[round]);
            toFfmpeg.push_back(figures.worker[round] / figures.ffmpeg[round]);
        }
        figures.workerToLame = Median(toLame);
        figures.workerToFfmpeg = Median(toFfmpeg);
    }
    return results;
}

bool RunAnchorsOnce(BenchEnvironment& environment) {
    std::string error;
    const std::unique_ptr<BenchPlugin> plugin = environment.NewPlugin(error);
    if (!plugin) {
        return false;
    }
    AnchorRunner runner(environment, *plugin);
    return runner.Measure(Contender::Worker, kSettings[0], "profile-worker", false).cpuSeconds >= 0 &&
           runner.Measure(Contender::Lame, kSettings[0], "profile-lame", false).cpuSeconds >= 0;
}
