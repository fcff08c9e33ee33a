#pragma once

// Owners of the FFmpeg objects that decoding uses outside the module: one
// deleter frees each kind with the library's own function, so that an early
// return cannot leak one.

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

struct FFmpegFreer {
    // An input opened by avformat_open_input.
    void operator()(AVFormatContext* input) const { avformat_close_input(&input); }
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
    void operator()(SwrContext* resampler) const { swr_free(&resampler); }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, FFmpegFreer>;
using FramePtr = std::unique_ptr<AVFrame, FFmpegFreer>;
using InputContextPtr = std::unique_ptr<AVFormatContext, FFmpegFreer>;
using PacketPtr = std::unique_ptr<AVPacket, FFmpegFreer>;
using ResamplerPtr = std::unique_ptr<SwrContext, FFmpegFreer>;
