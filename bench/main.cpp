// skyflume-bench: runs every benchmark of the module on this machine and
// writes BENCHMARKS.md and the picture of OnAudio's call times.
//
//   skyflume-bench --markdown FILE --picture FILE
//                  [--worker-profile FILE --lame-profile FILE] [--module FILE]
//   skyflume-bench --profile-run [--module FILE]
//   skyflume-bench --smoke [--module FILE]
//
// The profiles are perf's summaries of a --profile-run, which runs the
// worker once and lame once, for perf to record. --smoke runs the audio
// thread's benchmarks briefly, prints their figures and writes nothing: a
// check that they run, not a measurement.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>

#include "bench_context.h"
#include "bench_environment.h"
#include "bench_results.h"
#include "latency_picture.h"
#include "report.h"

namespace {

struct Arguments {
    std::string module = SKYFLUME_MODULE_PATH;
    std::filesystem::path markdown;
    std::filesystem::path picture;
    std::filesystem::path workerProfile;
    std::filesystem::path lameProfile;
    bool profileRun = false;
    bool smoke = false;
};

// Repetitions of the call-cost benchmarks, and how long the audio thread
// streams at real-time pace before the stalls.
constexpr int kRepetitions = 7;
constexpr std::chrono::seconds kStreaming{60};
constexpr int kSmokeRepetitions = 1;
constexpr std::chrono::seconds kSmokeStreaming{5};

bool Parse(int argc, char** argv, Arguments& arguments) {
    const std::map<std::string, std::function<void(const char*)>> options = {
        {"--module", [&](const char* value) { arguments.module = value; }},
        {"--markdown", [&](const char* value) { arguments.markdown = value; }},
        {"--picture", [&](const char* value) { arguments.picture = value; }},
        {"--worker-profile", [&](const char* value) { arguments.workerProfile = value; }},
        {"--lame-profile", [&](const char* value) { arguments.lameProfile = value; }},
    };
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--profile-run" || option == "--smoke") {
            (option == "--smoke" ? arguments.smoke : arguments.profileRun) = true;
            continue;
        }
        const auto found = options.find(option);
        if (found == options.end() || i + 1 == argc) {
            return false;
        }
        found->second(argv[++i]);
    }
    return arguments.profileRun || arguments.smoke || (!arguments.markdown.empty() && !arguments.picture.empty());
}

std::string ReadAll(const std::filesystem::path& path) {
    if (path.empty()) {
        return {};
    }
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// Runs one benchmark, saying so; false, with the reason printed, if it failed.
template <class Results>
bool Section(const char* name, Results& results, const std::function<Results()>& run) {
    std::printf("== %s\n", name);
    std::fflush(stdout);
    results = run();
    if (!results.error.empty()) {
        std::fprintf(stderr, "skyflume-bench: %s: %s\n", name, results.error.c_str());
        return false;
    }
    return true;
}

bool RunAudioThread(BenchEnvironment& environment, BenchResults& results, int repetitions,
                    std::chrono::seconds streaming) {
    return Section<CallCostResults>("OnAudio against a bare copy and the floor", results.callCost,
                                    [&] { return RunCallCost(environment, repetitions); }) &&
           Section<CallTimeResults>("OnAudio at real-time pace", results.callTimes,
                                    [&] { return RunCallTimes(environment, streaming); });
}

bool RunAll(BenchEnvironment& environment, BenchResults& results) {
    // Memory first: its first run is the process's first stream.
    return Section<MemoryResults>("memory", results.memory, [&] { return RunMemory(environment); }) &&
           Section<AnchorResults>("the worker against lame and ffmpeg", results.anchors,
                                  [&] { return RunAnchors(environment); }) &&
           RunAudioThread(environment, results, kRepetitions, kStreaming) &&
           Section<LatencyResults>("latency", results.latency, [&] { return RunLatency(environment); }) &&
           Section<ScaleResults>("streams at once", results.scale, [&] { return RunScale(environment); });
}

}  // namespace

int main(int argc, char** argv) {
    Arguments arguments;
    if (!Parse(argc, argv, arguments)) {
        std::fprintf(stderr,
                     "usage: skyflume-bench --markdown FILE --picture FILE [--worker-profile FILE "
                     "--lame-profile FILE] [--module FILE]\n       skyflume-bench --profile-run [--module FILE]\n"
                     "       skyflume-bench --smoke [--module FILE]\n");
        return 2;
    }
    std::string folder = (std::filesystem::temp_directory_path() / "skyflume-bench-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        std::fprintf(stderr, "skyflume-bench: cannot make a folder in %s\n", folder.c_str());
        return 1;
    }
    BenchResults results;
    if (!arguments.profileRun && !arguments.smoke) {
        results.context = ReadContext();
    }
    const auto began = std::chrono::steady_clock::now();
    bool succeeded = false;
    {
        BenchEnvironment environment(arguments.module, folder);
        if (!environment.Error().empty()) {
            std::fprintf(stderr, "skyflume-bench: %s\n", environment.Error().c_str());
        } else if (arguments.profileRun) {
            succeeded = RunAnchorsOnce(environment);
        } else if (arguments.smoke) {
            succeeded = RunAudioThread(environment, results, kSmokeRepetitions, kSmokeStreaming);
        } else {
            succeeded = RunAll(environment, results);
        }
    }
    if (!succeeded) {
        std::fprintf(stderr, "skyflume-bench: what the contenders wrote is kept in %s\n", folder.c_str());
        return 1;
    }
    std::filesystem::remove_all(folder);
    if (arguments.smoke) {
        std::fputs(AudioThreadSummary(results).c_str(), stdout);
    }
    if (arguments.profileRun || arguments.smoke) {
        return 0;
    }
    results.context.loadAfter = LoadAverage();
    results.context.runSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    results.context.workerProfile = ReadAll(arguments.workerProfile);
    results.context.lameProfile = ReadAll(arguments.lameProfile);
    const std::string link =
        std::filesystem::relative(arguments.picture, std::filesystem::absolute(arguments.markdown).parent_path())
            .string();
    for (const std::string& error :
         {DrawCallTimes(results.callTimes, arguments.picture), WriteReport(results, arguments.markdown, link)}) {
        if (!error.empty()) {
            std::fprintf(stderr, "skyflume-bench: %s\n", error.c_str());
            return 1;
        }
    }
    std::printf("== wrote %s and %s\n", arguments.markdown.c_str(), arguments.picture.c_str());
    return 0;
}
