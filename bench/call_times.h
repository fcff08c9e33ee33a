#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "bench_environment.h"

// OnAudio's call times at real-time pace, with the worker running, in one
// phase of a stream.
struct CallTimePhase {
    std::string name;
    double seconds = 0;
    std::vector<double> micros;  // every call's time
    int64_t heapCalls = 0;       // on the audio thread
};

struct CallTimeResults {
    std::string error;
    bool realTimeScheduling = false;
    int32_t hostRate = 0;
    int32_t blockFrames = 0;
    // Normal streaming, the server stopped (SIGSTOP) for 5 s, and the
    // worker itself held for 5 s.
    std::vector<CallTimePhase> phases;
    // The floor (a copy, and a wake per batch) at the same pace, with the
    // plug-in stopped: the least a call can take on this machine.
    CallTimePhase floor;
    // From the normal phase: the median call that hands a batch on, and the
    // median one that only stages, per frame.
    double handOffMicros = 0;
    double stagingNsPerFrame = 0;

    // The plug-in's phases, then the floor, as the table and the picture show them.
    std::vector<CallTimePhase> PhasesAndFloor() const {
        std::vector<CallTimePhase> all = phases;
        all.push_back(floor);
        return all;
    }
};

// The normal phase streams for `streaming`.
CallTimeResults RunCallTimes(BenchEnvironment& environment, std::chrono::seconds streaming);
