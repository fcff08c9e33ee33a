// Turning whole input frames into MP3 packets on the connection: read under
// the capture buffer's lock, resample, collect encoder frames, encode and write.

#include "broadcast/stream_worker.h"

extern "C" {
#include <libavutil/mathematics.h>
#include <libavutil/samplefmt.h>
}

bool StreamWorker::EncodeAvailable(EncoderChain& chain) {
    while (capture.Lock().Waiting() >= chain.frameSize) {
        // Made writable before it is filled, so that a failure skips the fill
        // instead of writing into a buffer that someone else still holds. A
        // batch that cannot be had stops the pass rather than spin on empty reads.
        if (av_frame_make_writable(chain.inputFrame.get()) < 0 ||
            !capture.Lock().TakeBatch(reinterpret_cast<void* const*>(chain.inputFrame->data))) {
            return false;
        }
        const int32_t converted = ConvertInputFrame(chain);
        if (converted <= 0) {
            continue;
        }
        // A FIFO that cannot grow loses this frame's samples only.
        av_audio_fifo_write(chain.outputFifo.get(), reinterpret_cast<void**>(chain.convertPlanes.get()), converted);
        if (EncodeWholeFrames(chain)) {
            return true;
        }
    }
    return false;
}

// Answers the samples per channel now in convertPlanes; 0 or less when the
// frame yields nothing, including when the conversion buffer could not grow,
// which drops this one frame.
int32_t StreamWorker::ConvertInputFrame(EncoderChain& chain) {
    // Room for the samples still held in the resampler plus this frame, at
    // the output rate, rounded up.
    const int64_t needed =
        av_rescale_rnd(swr_get_delay(chain.resampler.get(), params->inputSampleRate) + chain.frameSize,
                       params->outputSampleRate, params->inputSampleRate, AV_ROUND_UP);
    if (needed > chain.convertCapacity && !GrowConversionBuffer(chain, static_cast<int32_t>(needed))) {
        return 0;
    }
    return swr_convert(chain.resampler.get(), chain.convertPlanes.get(), chain.convertCapacity,
                       const_cast<const uint8_t**>(chain.inputFrame->extended_data), chain.frameSize);
}

// Grows to exactly what is needed and never shrinks, so that the buffer is
// allocated only when a larger room is needed than ever before.
bool StreamWorker::GrowConversionBuffer(EncoderChain& chain, int32_t samples) {
    chain.convertPlanes.reset();
    chain.convertCapacity = 0;
    const int channels = chain.encoder->ch_layout.nb_channels;
    uint8_t** planes = static_cast<uint8_t**>(av_calloc(static_cast<size_t>(channels), sizeof(*planes)));
    if (planes == nullptr) {
        return false;
    }
    chain.convertPlanes.reset(planes);
    if (av_samples_alloc(planes, nullptr, channels, samples, chain.encoder->sample_fmt, 0) < 0) {
        chain.convertPlanes.reset();
        return false;
    }
    chain.convertCapacity = samples;
    return true;
}

// Encodes every whole encoder frame in the output FIFO, receiving at most
// one packet per frame sent. Answers true when writing a packet failed.
bool StreamWorker::EncodeWholeFrames(EncoderChain& chain) {
    AVCodecContext* const encoder = chain.encoder.get();
    AVFrame* const outputFrame = chain.outputFrame.get();
    AVPacket* const packet = chain.packet.get();
    while (av_audio_fifo_size(chain.outputFifo.get()) >= encoder->frame_size) {
        // What stays in the FIFO is encoded at the next pass.
        if (av_frame_make_writable(outputFrame) < 0 ||
            av_audio_fifo_read(chain.outputFifo.get(), reinterpret_cast<void**>(outputFrame->data),
                               encoder->frame_size) < encoder->frame_size) {
            return false;
        }
        outputFrame->pts = chain.sampleCounter;
        chain.sampleCounter += outputFrame->nb_samples;
        // A refused frame is lost; a frame without a packet yet produces nothing.
        if (avcodec_send_frame(encoder, outputFrame) < 0 || avcodec_receive_packet(encoder, packet) < 0) {
            continue;
        }
        const bool written = av_write_frame(chain.output.get(), packet) >= 0;
        av_packet_unref(packet);
        if (!written) {
            return true;
        }
    }
    return false;
}
