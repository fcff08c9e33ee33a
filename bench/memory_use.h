#pragma once

#include <string>
#include <vector>

#include "bench_environment.h"

// Resident memory of the process around one stream run, in KiB.
struct MemoryRun {
    int64_t beforeKiB = 0;  // the plug-in activated, no stream yet
    int64_t peakKiB = 0;    // the most at once while it streamed
    int64_t afterKiB = 0;   // once the run has ended and its thread is gone
};

struct MemoryResults {
    std::string error;
    double audioSeconds = 0;
    // The process's first stream run, which also sets up the libraries for
    // good, then later runs.
    std::vector<MemoryRun> runs;
};

MemoryResults RunMemory(BenchEnvironment& environment);
