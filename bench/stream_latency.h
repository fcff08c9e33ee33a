#pragma once

#include <string>
#include <vector>

#include "bench_environment.h"

// How long a station waits, on loopback.
struct LatencyResults {
    std::string error;
    // Milliseconds from the Stream click until the stream-started event has
    // run, and from the Stop click until the stream-ended event has run,
    // cycle by cycle.
    std::vector<double> startMillis;
    std::vector<double> stopMillis;
    // Milliseconds from the first sample handed to OnAudio until the first
    // byte of MP3 audio arrives through the socket, and its parts: until the
    // capture buffer hands on its first batch, until it hands on the batch
    // after which the encoder gives out its first frame, and from there
    // until the byte arrives.
    std::vector<double> firstByteMillis;
    std::vector<double> batchingMillis;
    std::vector<double> encoderMillis;
    std::vector<double> sendingMillis;
    // Batches handed on before the encoder gave out its first frame.
    std::vector<double> batchesBeforeFirstFrame;
    int32_t blockFrames = 0;
};

LatencyResults RunLatency(BenchEnvironment& environment);
