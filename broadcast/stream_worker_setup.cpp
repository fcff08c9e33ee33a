// Setting up a stream run: connection, muxer, encoder, frames, FIFOs,
// resampler and silence, one step per function. Each answers kStatusOk or
// the status that ends the set-up; what a failed step leaves behind is freed
// by the run's one release path.

#include <new>

#include "broadcast/stream_run.h"
#include "broadcast/stream_worker.h"

namespace {

constexpr int kChannels = 2;
// Both the connection and its reads and writes give up after 3 s.
constexpr int64_t kNetworkTimeoutUs = 3000000;

// An absent text announces nothing.
int SetOptionIfPresent(AVDictionary** options, const char* key, const char* value) {
    return value != nullptr ? av_dict_set(options, key, value, 0) : 0;
}

// A frame of samples per channel in the given format and layout, with
// writable buffers of its own.
AVFrame* AllocateAudioFrame(int samples, AVSampleFormat format, const AVChannelLayout& layout, int sampleRate) {
    AVFrame* frame = av_frame_alloc();
    if (frame == nullptr) {
        return nullptr;
    }
    frame->nb_samples = samples;
    frame->format = format;
    frame->sample_rate = sampleRate;
    if (av_channel_layout_copy(&frame->ch_layout, &layout) < 0 || av_frame_get_buffer(frame, 0) < 0 ||
        av_frame_make_writable(frame) < 0) {
        av_frame_free(&frame);
    }
    return frame;
}

}  // namespace

void StreamWorker::ClearStreamFields() {
    inputFifo = nullptr;
    convertPlanes = nullptr;
    inputFrame = nullptr;
    stagingPlanes[0] = nullptr;
    stagingPlanes[1] = nullptr;
    convertCapacity = 0;
}

int32_t StreamWorker::OpenConnection(StreamRun& run) {
    if (SetOptionIfPresent(&run.options, "ice_name", streamParams->radioName) < 0 ||
        SetOptionIfPresent(&run.options, "ice_description", streamParams->radioDescription) < 0 ||
        SetOptionIfPresent(&run.options, "ice_genre", streamParams->radioGenre) < 0 ||
        SetOptionIfPresent(&run.options, "ice_url", streamParams->radioWebsite) < 0 ||
        av_dict_set(&run.options, "content_type", "audio/mpeg", 0) < 0 ||
        av_dict_set_int(&run.options, "rw_timeout", kNetworkTimeoutUs, 0) < 0 ||
        av_dict_set_int(&run.options, "timeout", kNetworkTimeoutUs, 0) < 0) {
        return kStatusAllocationFailed;
    }
    // The icecast protocol makes the source handshake with the credentials in the URL.
    if (avio_open2(&run.connection, streamParams->url, AVIO_FLAG_WRITE, nullptr, &run.options) < 0) {
        return kStatusConnectionFailed;
    }
    return kStatusOk;
}

int32_t StreamWorker::CreateOutputContext(StreamRun& run) {
    run.output = avformat_alloc_context();
    if (run.output == nullptr) {
        return kStatusAllocationFailed;
    }
    run.output->pb = run.connection;
    run.connection = nullptr;
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
    AVStream* stream = avformat_new_stream(run.output, nullptr);
    if (stream == nullptr) {
        return kStatusNewStreamFailed;
    }
    run.encoder = avcodec_alloc_context3(codec);
    if (run.encoder == nullptr) {
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
    if (avcodec_open2(run.encoder, nullptr, nullptr) < 0 || run.encoder->frame_size <= 0) {
        return kStatusOpenEncoderFailed;
    }
    if (avcodec_parameters_from_context(run.output->streams[0]->codecpar, run.encoder) < 0) {
        return kStatusCodecParametersFailed;
    }
    return kStatusOk;
}

int32_t StreamWorker::WriteHeader(StreamRun& run) {
    // The header only fills the connection's buffer; a server that is gone
    // shows as the first failed packet write, with a status of its own.
    [[maybe_unused]] const int headerResult = avformat_write_header(run.output, nullptr);
    return kStatusOk;
}

int32_t StreamWorker::CreateFrames(StreamRun& run) {
    // One input frame is one encoder frame, and the capture buffer's batch.
    frameSize = run.encoder->frame_size;
    inputFrame = AllocateAudioFrame(frameSize, AV_SAMPLE_FMT_FLTP, run.encoder->ch_layout, inputSampleRate);
    run.outputFrame = AllocateAudioFrame(run.encoder->frame_size, run.encoder->sample_fmt, run.encoder->ch_layout,
                                         run.encoder->sample_rate);
    return inputFrame != nullptr && run.outputFrame != nullptr ? kStatusOk : kStatusAllocationFailed;
}

int32_t StreamWorker::CreatePacket(StreamRun& run) {
    run.packet = av_packet_alloc();
    return run.packet != nullptr ? kStatusOk : kStatusAllocationFailed;
}

int32_t StreamWorker::CreateFifos(StreamRun& run) {
    // Both grow as needed when written.
    inputFifo = av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, kChannels, frameSize);
    run.outputFifo = av_audio_fifo_alloc(run.encoder->sample_fmt, kChannels, run.encoder->frame_size);
    return inputFifo != nullptr && run.outputFifo != nullptr ? kStatusOk : kStatusAllocationFailed;
}

int32_t StreamWorker::CreateStagingPlanes(StreamRun&) {
    stagingPlanes[0] = new (std::nothrow) float[static_cast<size_t>(frameSize)];
    stagingPlanes[1] = new (std::nothrow) float[static_cast<size_t>(frameSize)];
    return stagingPlanes[0] != nullptr && stagingPlanes[1] != nullptr ? kStatusOk : kStatusAllocationFailed;
}

int32_t StreamWorker::CreateResampler(StreamRun& run) {
    AVChannelLayout outputLayout{};
    av_channel_layout_default(&outputLayout, run.encoder->ch_layout.nb_channels);
    AVChannelLayout inputLayout{};
    av_channel_layout_default(&inputLayout, kChannels);
    if (swr_alloc_set_opts2(&run.resampler, &outputLayout, run.encoder->sample_fmt, run.encoder->sample_rate,
                            &inputLayout, AV_SAMPLE_FMT_FLTP, inputSampleRate, 0, nullptr) < 0 ||
        swr_init(run.resampler) < 0) {
        return kStatusResamplerFailed;
    }
    return kStatusOk;
}

int32_t StreamWorker::CreateSilence(StreamRun& run) {
    run.silenceLength = inputSampleRate / 10;
    run.silencePlanes[0] = new (std::nothrow) float[static_cast<size_t>(run.silenceLength)]();
    run.silencePlanes[1] = new (std::nothrow) float[static_cast<size_t>(run.silenceLength)]();
    return run.silencePlanes[0] != nullptr && run.silencePlanes[1] != nullptr ? kStatusOk : kStatusAllocationFailed;
}

int32_t StreamWorker::SetUp(StreamRun& run) {
    using Step = int32_t (StreamWorker::*)(StreamRun&);
    static constexpr Step kSteps[] = {
        &StreamWorker::OpenConnection, &StreamWorker::CreateOutputContext, &StreamWorker::CreateEncoder,
        &StreamWorker::OpenEncoder,    &StreamWorker::WriteHeader,         &StreamWorker::CreateFrames,
        &StreamWorker::CreatePacket,   &StreamWorker::CreateFifos,         &StreamWorker::CreateStagingPlanes,
        &StreamWorker::CreateResampler, &StreamWorker::CreateSilence,
    };
    ClearStreamFields();
    for (const Step step : kSteps) {
        if (const int32_t status = (this->*step)(run); status != kStatusOk) {
            return status;
        }
    }
    return kStatusOk;
}
