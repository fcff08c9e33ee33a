#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "broadcast/ffmpeg_owners.h"

// What the worker thread makes for one stream run, from the connection to
// the encoder's frames. Nothing of it outlives the run: each member frees
// its object, in the reverse of this order, and only if it exists.
struct EncoderChain {
    ResamplerPtr resampler;
    // The connection until the output context takes it over.
    ConnectionPtr connection;
    OutputContextPtr output;
    CodecContextPtr encoder;
    // The resampler's output in the encoder's sample format, and the samples
    // per channel it holds; it only grows.
    SamplePlanesPtr convertPlanes;
    int32_t convertCapacity = 0;
    // One tenth of a second of zeros per channel at the input rate: both
    // planes in one block.
    std::unique_ptr<float[]> silence;
    float* silencePlanes[2] = {nullptr, nullptr};
    int32_t silenceLength = 0;
    AudioFifoPtr outputFifo;
    FramePtr outputFrame;
    // One batch of the capture buffer, on its way to the resampler.
    FramePtr inputFrame;
    PacketPtr packet;
    // Samples per channel of one encoder frame: the capture buffer's batch.
    int32_t frameSize = 0;
    // Time stamp of the next sample handed to the encoder.
    int64_t sampleCounter = 0;
    // When the stream was announced, the silence appended since, and the
    // most frames by which the input ran ahead of the clock: with the frames
    // captured, how much of the time elapsed the input covers.
    std::chrono::steady_clock::time_point streamStart;
    int64_t silenceFrames = 0;
    int64_t inputLead = 0;
};
