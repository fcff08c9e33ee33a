#pragma once

#include <string>
#include <vector>

#include "bench_environment.h"

// The worker against the lame and ffmpeg command lines on the same 60 s.
struct AnchorFigures {
    int32_t outputRate = 0;
    int32_t bitRateKbps = 0;
    // CPU seconds, round by round: the module's worker thread, and the whole
    // process of each command line.
    std::vector<double> worker;
    std::vector<double> lame;
    std::vector<double> ffmpeg;
    // Medians of the rounds' own ratios.
    double workerToLame = 0;
    double workerToFfmpeg = 0;
    // Seconds of audio that FFmpeg decodes again from what each contender
    // wrote, in the first round.
    double workerDecoded = 0;
    double lameDecoded = 0;
    double ffmpegDecoded = 0;
};

struct AnchorResults {
    std::string error;  // empty when every run succeeded
    int rounds = 0;
    std::vector<AnchorFigures> figures;
};

AnchorResults RunAnchors(BenchEnvironment& environment);

// One run of the worker and one of lame, at 44.1 kHz and 128 kbit/s, for a
// profile of where their time goes; false if either failed.
bool RunAnchorsOnce(BenchEnvironment& environment);
