#pragma once

#include <cstdint>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/dict.h>
#include <libswresample/swresample.h>
}

// What one stream run creates for itself and frees at its end, each item
// only if it exists. Nothing of it outlives the run.
struct StreamRun {
    AVDictionary* options = nullptr;
    // The connection until the output context takes it over.
    AVIOContext* connection = nullptr;
    AVFormatContext* output = nullptr;
    AVCodecContext* encoder = nullptr;
    AVFrame* outputFrame = nullptr;
    AVPacket* packet = nullptr;
    AVAudioFifo* outputFifo = nullptr;
    SwrContext* resampler = nullptr;
    // One tenth of a second of zeros per channel at the input rate.
    float* silencePlanes[2] = {nullptr, nullptr};
    int32_t silenceLength = 0;
    // Time stamp of the next sample handed to the encoder.
    int64_t sampleCounter = 0;
};
