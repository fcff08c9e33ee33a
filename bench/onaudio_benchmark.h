#pragma once

#include <string>
#include <vector>

#include "bench_environment.h"

// The plug-in's audio callback against a plain deinterleaving copy of the
// same frames and against the floor (the copy and one wake of a sleeping
// thread per 1152 frames), per frame, at one call size.
struct CallCostFigures {
    int32_t callFrames = 0;
    int64_t iterationFrames = 0;   // frames handed over in one timed iteration
    double onAudioNsPerFrame = 0;  // median of the repetitions
    double copyNsPerFrame = 0;
    double floorNsPerFrame = 0;
    // Medians of the repetitions' own ratios.
    double toCopy = 0;
    double toFloor = 0;
};

struct CallCostResults {
    std::string error;
    int repetitions = 0;
    std::vector<CallCostFigures> figures;
    // For comparison: waking a thread that sleeps on an event, as the worker
    // sleeps on its own, in microseconds (median).
    double wakeMicros = 0;
};

// Google Benchmark, with the plug-in streaming to the server; each
// benchmark `repetitions` times.
CallCostResults RunCallCost(BenchEnvironment& environment, int repetitions);
