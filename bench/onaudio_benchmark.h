#pragma once

#include <string>
#include <vector>

#include "bench_environment.h"

// The plug-in's audio callback against a plain deinterleaving copy of the
// same frames, per frame, at one call size.
struct CallCostFigures {
    int32_t callFrames = 0;
    int64_t iterationFrames = 0;   // frames handed over in one timed iteration
    double onAudioNsPerFrame = 0;  // median of the repetitions
    double copyNsPerFrame = 0;
    double ratio = 0;  // median of the repetitions' own ratios
};

struct CallCostResults {
    std::string error;
    int repetitions = 0;
    std::vector<CallCostFigures> figures;
    // For comparison: waking a thread that sleeps on a condition variable,
    // as the worker sleeps on its event, in microseconds (median).
    double wakeMicros = 0;
};

// Google Benchmark, with the plug-in streaming to the server.
CallCostResults RunCallCost(BenchEnvironment& environment);
