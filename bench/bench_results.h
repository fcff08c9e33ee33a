#pragma once

#include <string>

#include "anchors.h"
#include "call_times.h"
#include "memory_use.h"
#include "onaudio_benchmark.h"
#include "scale.h"
#include "stream_latency.h"

// Where and with what the benchmarks ran.
struct BenchContext {
    std::string date;       // UTC, when the run began
    std::string processor;  // model name
    int cores = 0;
    std::string kernel;
    std::string ffmpeg;     // the command line's first line of -version
    std::string lame;       // the command line's first line of --version
    std::string libraries;  // the FFmpeg libraries the module uses
    double loadBefore = 0;  // 1-minute load average when the run began
    double loadAfter = 0;   // and when it ended
    double runSeconds = 0;
    // perf's summaries of where the worker's and lame's time goes, if given.
    std::string workerProfile;
    std::string lameProfile;
};

struct BenchResults {
    BenchContext context;
    MemoryResults memory;
    AnchorResults anchors;
    CallCostResults callCost;
    CallTimeResults callTimes;
    LatencyResults latency;
    ScaleResults scale;
};
