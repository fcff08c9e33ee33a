// Turning whole input frames into MP3 packets on the connection: read under
// the FIFO lock, resample, collect encoder frames, encode and write.

#include "broadcast/stream_run.h"
#include "broadcast/stream_worker.h"

extern "C" {
#include <libavutil/mathematics.h>
#include <libavutil/samplefmt.h>
}

bool StreamWorker::EncodeAvailable(SwrContext* resampler, AVCodecContext* encoder, AVAudioFifo* outputFifo,
                                   AVPacket* packet, AVFormatContext* output, int64_t& sampleCounter,
                                   AVFrame* outputFrame) {
    while (InputFifoSize() >= frameSize) {
        if (!ReadInputFrame()) {
            return false;
        }
        const int32_t converted = ConvertInputFrame(resampler, encoder);
        if (converted <= 0) {
            continue;
        }
        // A FIFO that cannot grow loses this frame's samples only.
        av_audio_fifo_write(outputFifo, reinterpret_cast<void**>(convertPlanes), converted);
        if (EncodeWholeFrames(encoder, outputFifo, packet, output, sampleCounter, outputFrame)) {
            return true;
        }
    }
    return false;
}

int32_t StreamWorker::InputFifoSize() {
    EnterCriticalSection(&fifoLock);
    const int32_t size = av_audio_fifo_size(inputFifo.get());
    LeaveCriticalSection(&fifoLock);
    return size;
}

// False when no whole frame could be had; the caller then stops rather than
// spin on empty reads.
bool StreamWorker::ReadInputFrame() {
    // Made writable before it is filled, so that a failure skips the fill
    // instead of writing into a buffer that someone else still holds.
    if (av_frame_make_writable(inputFrame.get()) < 0) {
        return false;
    }
    EnterCriticalSection(&fifoLock);
    const int read = av_audio_fifo_read(inputFifo.get(), reinterpret_cast<void**>(inputFrame->data), frameSize);
    LeaveCriticalSection(&fifoLock);
    return read == frameSize;
}

// Answers the samples per channel now in convertPlanes; 0 or less when the
// frame yields nothing, including when the conversion buffer could not grow,
// which drops this one frame.
int32_t StreamWorker::ConvertInputFrame(SwrContext* resampler, const AVCodecContext* encoder) {
    // Room for the samples still held in the resampler plus this frame, at
    // the output rate, rounded up.
    const int64_t needed = av_rescale_rnd(swr_get_delay(resampler, inputSampleRate) + frameSize, outputSampleRate,
                                          inputSampleRate, AV_ROUND_UP);
    if (needed > convertCapacity && !GrowConversionBuffer(static_cast<int32_t>(needed), encoder)) {
        return 0;
    }
    return swr_convert(resampler, convertPlanes, convertCapacity,
                       const_cast<const uint8_t**>(inputFrame->extended_data), frameSize);
}

// Grows to exactly what is needed and never shrinks, so that the buffer is
// allocated only when a larger room is needed than ever before.
bool StreamWorker::GrowConversionBuffer(int32_t samples, const AVCodecContext* encoder) {
    FreeConversionBuffer();
    const int channels = encoder->ch_layout.nb_channels;
    convertPlanes = static_cast<uint8_t**>(av_calloc(static_cast<size_t>(channels), sizeof(*convertPlanes)));
    if (convertPlanes == nullptr) {
        return false;
    }
    if (av_samples_alloc(convertPlanes, nullptr, channels, samples, encoder->sample_fmt, 0) < 0) {
        FreeConversionBuffer();
        return false;
    }
    convertCapacity = samples;
    return true;
}

void StreamWorker::FreeConversionBuffer() {
    if (convertPlanes != nullptr) {
        // One sample block behind the first plane pointer, then the pointer array.
        av_freep(&convertPlanes[0]);
        av_freep(&convertPlanes);
    }
    convertCapacity = 0;
}

// Encodes every whole encoder frame in the output FIFO, receiving at most
// one packet per frame sent. Answers true when writing a packet failed.
bool StreamWorker::EncodeWholeFrames(AVCodecContext* encoder, AVAudioFifo* outputFifo, AVPacket* packet,
                                     AVFormatContext* output, int64_t& sampleCounter, AVFrame* outputFrame) {
    while (av_audio_fifo_size(outputFifo) >= encoder->frame_size) {
        // What stays in the FIFO is encoded at the next pass.
        if (av_frame_make_writable(outputFrame) < 0 ||
            av_audio_fifo_read(outputFifo, reinterpret_cast<void**>(outputFrame->data), encoder->frame_size) <
                encoder->frame_size) {
            return false;
        }
        outputFrame->pts = sampleCounter;
        sampleCounter += outputFrame->nb_samples;
        // A refused frame is lost; a frame without a packet yet produces nothing.
        if (avcodec_send_frame(encoder, outputFrame) < 0 || avcodec_receive_packet(encoder, packet) < 0) {
            continue;
        }
        const bool written = av_write_frame(output, packet) >= 0;
        av_packet_unref(packet);
        if (!written) {
            return true;
        }
    }
    return false;
}
