#pragma once

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/dict.h>
#include <libswresample/swresample.h>
}

// Owners of FFmpeg objects, each freed by the library's own function, so that
// an early return cannot leak one. FFmpeg frees some objects through their
// address (and clears it), others through the pointer.

template <auto Free>
struct FreedThroughAddress {
    template <class T>
    void operator()(T* object) const {
        Free(&object);
    }
};

template <auto Free>
struct FreedThroughPointer {
    template <class T>
    void operator()(T* object) const {
        Free(object);
    }
};

// An output context with the connection it writes to: the connection is
// closed before the context is freed.
struct OutputContextDeleter {
    void operator()(AVFormatContext* context) const {
        avio_closep(&context->pb);
        avformat_free_context(context);
    }
};

// Sample planes from av_samples_alloc behind a pointer array from av_calloc:
// the one sample block hangs on the first plane pointer.
struct SamplePlanesDeleter {
    void operator()(uint8_t** planes) const {
        av_freep(&planes[0]);
        av_freep(&planes);
    }
};

using AudioFifoPtr = std::unique_ptr<AVAudioFifo, FreedThroughPointer<av_audio_fifo_free>>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, FreedThroughAddress<avcodec_free_context>>;
// A connection opened by avio_open2 and not yet handed to an output context.
using ConnectionPtr = std::unique_ptr<AVIOContext, FreedThroughAddress<avio_closep>>;
using DictionaryPtr = std::unique_ptr<AVDictionary, FreedThroughAddress<av_dict_free>>;
using FramePtr = std::unique_ptr<AVFrame, FreedThroughAddress<av_frame_free>>;
using OutputContextPtr = std::unique_ptr<AVFormatContext, OutputContextDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, FreedThroughAddress<av_packet_free>>;
using SamplePlanesPtr = std::unique_ptr<uint8_t*, SamplePlanesDeleter>;
using ResamplerPtr = std::unique_ptr<SwrContext, FreedThroughAddress<swr_free>>;

// Lends an owner's object to a call that takes its address and may replace or
// free it (avio_open2, swr_alloc_set_opts2), and takes back what the call
// leaves there. It gives it back only at the end of the full expression: the
// owner is empty until then, so the call must stand alone in its statement.
template <class Owner>
class InOutPtr {
public:
    explicit InOutPtr(Owner& owner) : owner(owner), raw(owner.release()) {}
    ~InOutPtr() { owner.reset(raw); }
    InOutPtr(const InOutPtr&) = delete;
    InOutPtr& operator=(const InOutPtr&) = delete;

    operator typename Owner::pointer *() { return &raw; }

private:
    Owner& owner;
    typename Owner::pointer raw;
};
