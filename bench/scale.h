#pragma once

#include <string>
#include <vector>

#include "bench_environment.h"

// Several plug-in objects in one process, streaming at once to the same
// server on mounts of their own, all fed by one audio thread.
struct ScaleFigures {
    int streams = 0;
    // Worker CPU seconds per stream and second of audio, round by round
    // (the mean over the streams of a run).
    std::vector<double> workerCpu;
    // Every OnAudio call's time, in microseconds, over all rounds.
    std::vector<double> callMicros;
};

struct ScaleResults {
    std::string error;
    int rounds = 0;
    double audioSeconds = 0;
    std::vector<ScaleFigures> figures;  // by stream count, ascending
};

ScaleResults RunScale(BenchEnvironment& environment);
