// Setting up a stream run: connection, muxer, encoder, frames, FIFOs,
// resampler and silence, one step per function. Each answers kStatusOk or
// the status that ends the set-up; what a failed step leaves behind is freed
// by the run's one release path.

#include <new>

#include "broadcast/source_connection.h"
#include "broadcast/stream_run.h"
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

void StreamWorker::ClearStreamFields() {
    inputFifo.reset();
    FreeConversionBuffer();
    inputFrame.reset();
    stagingPlanes[0] = nullptr;
    stagingPlanes[1] = nullptr;
    stagingBlock.reset();
    capturedFrames = 0;
    largestCapture = 0;
}

int StreamWorker::InterruptConnection(void* worker) {
    const auto* self = static_cast<const StreamWorker*>(worker);
    return self->connectionPending && self->stopRequested ? 1 : 0;
}

int32_t StreamWorker::OpenConnection(StreamRun& run) {
    // FFmpeg polls the callback about every 100 ms while it connects and
    // waits for the server's answers, so that a stop does not wait for the
    // 3 s time-out. The connection keeps it, but it answers only while the
    // connection is being opened: a stop later on still lets the final pass
    // and the drain out.
    const AVIOInterruptCB interrupt{&StreamWorker::InterruptConnection, this};
    connectionPending = true;
    const int opened = OpenSourceConnection(run.connection, *streamParams, interrupt, kNetworkTimeoutUs);
    connectionPending = false;
    if (opened == AVERROR(ENOMEM)) {
        return kStatusAllocationFailed;
    }
    return opened < 0 ? kStatusConnectionFailed : kStatusOk;
}

int32_t StreamWorker::CreateOutputContext(StreamRun& run) {
    run.output.reset(avformat_alloc_context());
    if (!run.output) {
        return kStatusAllocationFailed;
    }
    run.output->pb = run.connection.release();
    // The extension selects the MP3 muxer.
    run.output->oformat = av_guess_format(nullptr, "x.mp3", nullptr);
    if (run.output->oformat == nullptr) {
        return kStatusNoOutputFormat;
    }
    run.output->url = av_strdup(streamParams->url);
    if (run.output->url == nullptr) {
        return kStatusAllocationFailed;
    }
    return kStatusOk;
}

int32_t StreamWorker::CreateEncoder(StreamRun& run) {
    const AVCodec* codec = avcodec_find_encoder(static_cast<AVCodecID>(codecId));
    if (codec == nullptr || codec->sample_fmts == nullptr) {
        return kStatusNoEncoder;
    }
    AVStream* stream = avformat_new_stream(run.output.get(), nullptr);
    if (stream == nullptr) {
        return kStatusNewStreamFailed;
    }
    run.encoder.reset(avcodec_alloc_context3(codec));
    if (!run.encoder) {
        return kStatusEncoderContextFailed;
    }
    av_channel_layout_default(&run.encoder->ch_layout, kChannels);
    run.encoder->sample_rate = outputSampleRate;
    run.encoder->sample_fmt = codec->sample_fmts[0];
    run.encoder->bit_rate = static_cast<int64_t>(bitRateKbps) * 1000;
    run.encoder->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
    stream->time_base = AVRational{1, outputSampleRate};
    if ((run.output->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        run.encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    return kStatusOk;
}

int32_t StreamWorker::OpenEncoder(StreamRun& run) {
    // Input is cut into whole encoder frames, so the frame size must be fixed.
    if (avcodec_open2(run.encoder.get(), nullptr, nullptr) < 0 || run.encoder->frame_size <= 0) {
        return kStatusOpenEncoderFailed;
    }
    if (avcodec_parameters_from_context(run.output->streams[0]->codecpar, run.encoder.get()) < 0) {
        return kStatusCodecParametersFailed;
    }
    return kStatusOk;
}

int32_t StreamWorker::WriteHeader(StreamRun& run) {
    // A muxer that refused its header is only half set up: nothing may be
    // written through it, not even a trailer.
    return avformat_write_header(run.output.get(), nullptr) < 0 ? kStatusHeaderRefused : kStatusOk;
}

int32_t StreamWorker::CreateFrames(StreamRun& run) {
    // One input frame is one encoder frame, and the capture buffer's batch.
    frameSize = run.encoder->frame_size;
    inputFrame = AllocateAudioFrame(frameSize, AV_SAMPLE_FMT_FLTP, run.encoder->ch_layout, inputSampleRate);
    run.outputFrame = AllocateAudioFrame(run.encoder->frame_size, run.encoder->sample_fmt, run.encoder->ch_layout,
                                         run.encoder->sample_rate);
    return inputFrame && run.outputFrame ? kStatusOk : kStatusAllocationFailed;
}

int32_t StreamWorker::CreatePacket(StreamRun& run) {
    run.packet.reset(av_packet_alloc());
    return run.packet ? kStatusOk : kStatusAllocationFailed;
}

int32_t StreamWorker::CreateFifos(StreamRun& run) {
    // The input FIFO gets all its room now, in whole frames: the capture
    // buffer writes it on the audio thread, where nothing may allocate, and
    // drops a batch that does not fit rather than grow it. The output FIFO
    // is the worker's own and grows as needed.
    const int64_t frames = (int64_t{kInputFifoSeconds} * inputSampleRate + frameSize - 1) / frameSize;
    inputFifo.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, kChannels, static_cast<int>(frames * frameSize)));
    run.outputFifo.reset(av_audio_fifo_alloc(run.encoder->sample_fmt, kChannels, run.encoder->frame_size));
    return inputFifo && run.outputFifo ? kStatusOk : kStatusAllocationFailed;
}

int32_t StreamWorker::CreateStagingPlanes(StreamRun&) {
    // Zeroed, so that its pages are in memory before the audio thread writes them.
    stagingBlock.reset(new (std::nothrow) float[2 * static_cast<size_t>(frameSize)]());
    if (!stagingBlock) {
        return kStatusAllocationFailed;
    }
    stagingPlanes[0] = stagingBlock.get();
    stagingPlanes[1] = stagingBlock.get() + frameSize;
    return kStatusOk;
}

// Fills the input FIFO once and empties it again: its pages are then in
// memory, and the audio thread's appends never wait for the kernel to
// supply one.
int32_t StreamWorker::PrefaultInputFifo(StreamRun&) {
    while (av_audio_fifo_space(inputFifo.get()) >= frameSize &&
           av_audio_fifo_write(inputFifo.get(), reinterpret_cast<void**>(stagingPlanes), frameSize) == frameSize) {
    }
    av_audio_fifo_reset(inputFifo.get());
    return kStatusOk;
}

int32_t StreamWorker::CreateResampler(StreamRun& run) {
    AVChannelLayout outputLayout{};
    av_channel_layout_default(&outputLayout, run.encoder->ch_layout.nb_channels);
    AVChannelLayout inputLayout{};
    av_channel_layout_default(&inputLayout, kChannels);
    const int allocated =
        swr_alloc_set_opts2(InOutPtr(run.resampler), &outputLayout, run.encoder->sample_fmt, run.encoder->sample_rate,
                            &inputLayout, AV_SAMPLE_FMT_FLTP, inputSampleRate, 0, nullptr);
    if (allocated < 0 || swr_init(run.resampler.get()) < 0) {
        return kStatusResamplerFailed;
    }
    return kStatusOk;
}

int32_t StreamWorker::CreateSilence(StreamRun& run) {
    run.silenceLength = inputSampleRate / 10;
    run.silence.reset(new (std::nothrow) float[2 * static_cast<size_t>(run.silenceLength)]());
    if (!run.silence) {
        return kStatusAllocationFailed;
    }
    run.silencePlanes[0] = run.silence.get();
    run.silencePlanes[1] = run.silence.get() + run.silenceLength;
    return kStatusOk;
}

int32_t StreamWorker::SetUp(StreamRun& run) {
    using Step = int32_t (StreamWorker::*)(StreamRun&);
    static constexpr Step kSteps[] = {
        &StreamWorker::OpenConnection,    &StreamWorker::CreateOutputContext, &StreamWorker::CreateEncoder,
        &StreamWorker::OpenEncoder,       &StreamWorker::WriteHeader,         &StreamWorker::CreateFrames,
        &StreamWorker::CreatePacket,      &StreamWorker::CreateFifos,         &StreamWorker::CreateStagingPlanes,
        &StreamWorker::PrefaultInputFifo, &StreamWorker::CreateResampler,     &StreamWorker::CreateSilence,
    };
    ClearStreamFields();
    for (const Step step : kSteps) {
        if (const int32_t status = (this->*step)(run); status != kStatusOk) {
            return status;
        }
    }
    return kStatusOk;
}
