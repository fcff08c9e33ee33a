// Setting up a stream run: connection, muxer, encoder, frames, FIFOs,
// resampler and silence, one step per function. Each answers kStatusOk or
// the status that ends the set-up; what a failed step leaves behind goes with
// the encoder chain.

#include <new>

#include "broadcast/source_connection.h"
#include "broadcast/stream_worker.h"

namespace {

constexpr int kChannels = 2;
// Both the connection and its reads and writes give up after 3 s.
constexpr int64_t kNetworkTimeoutUs = 3000000;

// A frame of samples per channel in the given format and layout, with
// writable buffers of its own; none when that cannot be had.
FramePtr AllocateAudioFrame(int samples, AVSampleFormat format, const AVChannelLayout& layout, int sampleRate) {
    FramePtr frame(av_frame_alloc());
    if (!frame) {
        return nullptr;
    }
    frame->nb_samples = samples;
    frame->format = format;
    frame->sample_rate = sampleRate;
    if (av_channel_layout_copy(&frame->ch_layout, &layout) < 0 || av_frame_get_buffer(frame.get(), 0) < 0 ||
        av_frame_make_writable(frame.get()) < 0) {
        return nullptr;
    }
    return frame;
}

}  // namespace

int StreamWorker::InterruptConnection(void* worker) {
    const auto* self = static_cast<const StreamWorker*>(worker);
    return self->connectionPending && self->stopRequested ? 1 : 0;
}

int32_t StreamWorker::OpenConnection(EncoderChain& chain) {
    // FFmpeg polls the callback about every 100 ms while it connects and
    // waits for the server's answers, so that a stop does not wait for the
    // 3 s time-out; only the look-up of the server's name, before that, is
    // bounded by the resolver's own time-out alone. The connection keeps the
    // callback, but it answers only while the connection is being opened: a
    // stop later on still lets the final pass and the drain out.
    const AVIOInterruptCB interrupt{&StreamWorker::InterruptConnection, this};
    connectionPending = true;
    const int opened = OpenSourceConnection(chain.connection, *params, interrupt, kNetworkTimeoutUs);
    connectionPending = false;
    if (opened == AVERROR(ENOMEM)) {
        return kStatusAllocationFailed;
    }
    return opened < 0 ? kStatusConnectionFailed : kStatusOk;
}

int32_t StreamWorker::CreateOutputContext(EncoderChain& chain) {
    chain.output.reset(avformat_alloc_context());
    if (!chain.output) {
        return kStatusAllocationFailed;
    }
    chain.output->pb = chain.connection.release();
    // The extension selects the MP3 muxer.
    chain.output->oformat = av_guess_format(nullptr, "x.mp3", nullptr);
    if (chain.output->oformat == nullptr) {
        return kStatusNoOutputFormat;
    }
    chain.output->url = av_strdup(params->url.c_str());
    if (chain.output->url == nullptr) {
        return kStatusAllocationFailed;
    }
    return kStatusOk;
}

int32_t StreamWorker::CreateEncoder(EncoderChain& chain) {
    const AVCodec* codec = avcodec_find_encoder(static_cast<AVCodecID>(params->codecId));
    if (codec == nullptr || codec->sample_fmts == nullptr) {
        return kStatusNoEncoder;
    }
    AVStream* stream = avformat_new_stream(chain.output.get(), nullptr);
    if (stream == nullptr) {
        return kStatusNewStreamFailed;
    }
    chain.encoder.reset(avcodec_alloc_context3(codec));
    if (!chain.encoder) {
        return kStatusEncoderContextFailed;
    }
    av_channel_layout_default(&chain.encoder->ch_layout, kChannels);
    chain.encoder->sample_rate = params->outputSampleRate;
    chain.encoder->sample_fmt = codec->sample_fmts[0];
    chain.encoder->bit_rate = static_cast<int64_t>(params->bitRateKbps) * 1000;
    chain.encoder->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
    stream->time_base = AVRational{1, params->outputSampleRate};
    if ((chain.output->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        chain.encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    return kStatusOk;
}

int32_t StreamWorker::OpenEncoder(EncoderChain& chain) {
    // Input is cut into whole encoder frames, so the frame size must be fixed.
    if (avcodec_open2(chain.encoder.get(), nullptr, nullptr) < 0 || chain.encoder->frame_size <= 0) {
        return kStatusOpenEncoderFailed;
    }
    if (avcodec_parameters_from_context(chain.output->streams[0]->codecpar, chain.encoder.get()) < 0) {
        return kStatusCodecParametersFailed;
    }
    return kStatusOk;
}

int32_t StreamWorker::WriteHeader(EncoderChain& chain) {
    // A muxer that refused its header is only half set up: nothing may be
    // written through it, not even a trailer.
    return avformat_write_header(chain.output.get(), nullptr) < 0 ? kStatusHeaderRefused : kStatusOk;
}

int32_t StreamWorker::CreateFrames(EncoderChain& chain) {
    // One input frame is one encoder frame, and the capture buffer's batch.
    chain.frameSize = chain.encoder->frame_size;
    chain.inputFrame =
        AllocateAudioFrame(chain.frameSize, AV_SAMPLE_FMT_FLTP, chain.encoder->ch_layout, params->inputSampleRate);
    chain.outputFrame = AllocateAudioFrame(chain.frameSize, chain.encoder->sample_fmt, chain.encoder->ch_layout,
                                           chain.encoder->sample_rate);
    return chain.inputFrame && chain.outputFrame ? kStatusOk : kStatusAllocationFailed;
}

int32_t StreamWorker::CreatePacket(EncoderChain& chain) {
    chain.packet.reset(av_packet_alloc());
    return chain.packet ? kStatusOk : kStatusAllocationFailed;
}

int32_t StreamWorker::CreateFifos(EncoderChain& chain) {
    // The capture buffer gets all its room now: the audio thread writes it,
    // where nothing may allocate. The output FIFO is the worker's own and
    // grows as needed.
    const bool captureReady = capture.Allocate(chain.frameSize, kInputFifoSeconds * params->inputSampleRate);
    chain.outputFifo.reset(av_audio_fifo_alloc(chain.encoder->sample_fmt, kChannels, chain.frameSize));
    return captureReady && chain.outputFifo ? kStatusOk : kStatusAllocationFailed;
}

int32_t StreamWorker::CreateResampler(EncoderChain& chain) {
    AVChannelLayout outputLayout{};
    av_channel_layout_default(&outputLayout, chain.encoder->ch_layout.nb_channels);
    AVChannelLayout inputLayout{};
    av_channel_layout_default(&inputLayout, kChannels);
    const int allocated = swr_alloc_set_opts2(InOutPtr(chain.resampler), &outputLayout, chain.encoder->sample_fmt,
                                              chain.encoder->sample_rate, &inputLayout, AV_SAMPLE_FMT_FLTP,
                                              params->inputSampleRate, 0, nullptr);
    if (allocated < 0 || swr_init(chain.resampler.get()) < 0) {
        return kStatusResamplerFailed;
    }
    return kStatusOk;
}

int32_t StreamWorker::CreateSilence(EncoderChain& chain) {
    chain.silenceLength = params->inputSampleRate / 10;
    chain.silence.reset(new (std::nothrow) float[2 * static_cast<size_t>(chain.silenceLength)]());
    if (!chain.silence) {
        return kStatusAllocationFailed;
    }
    chain.silencePlanes[0] = chain.silence.get();
    chain.silencePlanes[1] = chain.silence.get() + chain.silenceLength;
    return kStatusOk;
}

int32_t StreamWorker::SetUp(EncoderChain& chain) {
    using Step = int32_t (StreamWorker::*)(EncoderChain&);
    static constexpr Step kSteps[] = {
        &StreamWorker::OpenConnection, &StreamWorker::CreateOutputContext, &StreamWorker::CreateEncoder,
        &StreamWorker::OpenEncoder,    &StreamWorker::WriteHeader,         &StreamWorker::CreateFrames,
        &StreamWorker::CreatePacket,   &StreamWorker::CreateFifos,         &StreamWorker::CreateResampler,
        &StreamWorker::CreateSilence,
    };
    for (const Step step : kSteps) {
        if (const int32_t status = (this->*step)(chain); status != kStatusOk) {
            return status;
        }
    }
    return kStatusOk;
}
