#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "broadcast/ffmpeg_owners.h"

// What one stream run creates for itself and frees at its end. Nothing of it
// outlives the run.
struct StreamRun {
    // The connection until the output context takes it over.
    ConnectionPtr connection;
    OutputContextPtr output;
    CodecContextPtr encoder;
    FramePtr outputFrame;
    PacketPtr packet;
    AudioFifoPtr outputFifo;
    ResamplerPtr resampler;
    // One tenth of a second of zeros per channel at the input rate: both
    // planes in one block.
    std::unique_ptr<float[]> silence;
    float* silencePlanes[2] = {nullptr, nullptr};
    int32_t silenceLength = 0;
    // Time stamp of the next sample handed to the encoder.
    int64_t sampleCounter = 0;
    // When the stream was announced, the silence appended since, and the
    // most frames by which the input ran ahead of the clock: with the frames
    // captured, how much of the time elapsed the input covers.
    std::chrono::steady_clock::time_point streamStart;
    int64_t silenceFrames = 0;
    int64_t inputLead = 0;
};
