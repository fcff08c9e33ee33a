#pragma once

// Owners of the FFmpeg objects that decoding uses outside the module, each
// freed by the library's own function through its address, so that an early
// return cannot leak one.

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

template <auto Free>
struct FreedThroughAddress {
    template <class T>
    void operator()(T* object) const {
        Free(&object);
    }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, FreedThroughAddress<avcodec_free_context>>;
using FramePtr = std::unique_ptr<AVFrame, FreedThroughAddress<av_frame_free>>;
// An input opened by avformat_open_input.
using InputContextPtr = std::unique_ptr<AVFormatContext, FreedThroughAddress<avformat_close_input>>;
using PacketPtr = std::unique_ptr<AVPacket, FreedThroughAddress<av_packet_free>>;
using ResamplerPtr = std::unique_ptr<SwrContext, FreedThroughAddress<swr_free>>;
