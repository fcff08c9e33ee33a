#include "host/app/audio_source.h"
#include "host/app/ffmpeg_owners.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

namespace {

std::string AvErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// One pass over the file: its demuxer and the decoder of its audio stream.
struct Decoder {
    InputContextPtr format;
    CodecContextPtr codec;
    int streamIndex = -1;
};

std::string Tag(const AVFormatContext* format, int streamIndex, const char* key) {
    // Containers keep tags for the whole file, or (Ogg, for one) with the stream.
    for (const AVDictionary* tags : {format->metadata, format->streams[streamIndex]->metadata}) {
        if (const AVDictionaryEntry* entry = av_dict_get(tags, key, nullptr, 0); entry != nullptr && *entry->value) {
            return entry->value;
        }
    }
    return {};
}

// "artist – title" from the tags, the title alone, or the file name.
std::string TitleOf(const std::string& path, const Decoder& decoder) {
    const std::string artist = Tag(decoder.format.get(), decoder.streamIndex, "artist");
    const std::string title = Tag(decoder.format.get(), decoder.streamIndex, "title");
    if (title.empty()) {
        return std::filesystem::path(path).filename().string();
    }
    return artist.empty() ? title : artist + " \u2013 " + title;
}

using InterruptFlag = std::shared_ptr<std::atomic<bool>>;

// Answers an error text, empty on success. For an input device, `device` is
// its format, and reads that wait for the sound card give up once
// `interrupted` is set; both are none for a file.
std::string OpenDecoder(const std::string& path, Decoder& decoder, const AVInputFormat* device = nullptr,
                        const InterruptFlag& interrupted = nullptr) {
    AVFormatContext* format = avformat_alloc_context();
    if (format == nullptr) {
        return "out of memory opening '" + path + "'";
    }
    if (interrupted) {
        format->interrupt_callback = {[](void* flag) { return static_cast<std::atomic<bool>*>(flag)->load() ? 1 : 0; },
                                      interrupted.get()};
    }
    int result = avformat_open_input(&format, path.c_str(), device, nullptr);
    if (result < 0) {
        return "cannot open '" + path + "': " + AvErrorText(result);
    }
    decoder.format.reset(format);
    result = avformat_find_stream_info(format, nullptr);
    if (result < 0) {
        return "cannot read '" + path + "': " + AvErrorText(result);
    }
    const AVCodec* codec = nullptr;
    result = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (result == AVERROR_DECODER_NOT_FOUND) {
        return "no decoder for the audio in '" + path + "'";
    }
    if (result < 0) {
        return "'" + path + "' holds no audio";
    }
    decoder.streamIndex = result;
    decoder.codec.reset(avcodec_alloc_context3(codec));
    if (!decoder.codec) {
        return "out of memory opening '" + path + "'";
    }
    const AVStream* stream = format->streams[decoder.streamIndex];
    result = avcodec_parameters_to_context(decoder.codec.get(), stream->codecpar);
    // The decoder needs the time base to trim encoder delay and padding by timestamp.
    decoder.codec->pkt_timebase = stream->time_base;
    if (result >= 0) {
        result = avcodec_open2(decoder.codec.get(), codec, nullptr);
    }
    if (result < 0) {
        return "cannot decode the audio in '" + path + "': " + AvErrorText(result);
    }
    return {};
}

// A file, or a live input device, decoded and converted to the host rate.
class AudioFileSource : public AudioSource {
public:
    // `interrupted` is an input device's, none for a file.
    AudioFileSource(std::string path, int sampleRate, bool loop, Decoder decoder, InterruptFlag interrupted = nullptr)
        : path(std::move(path)),
          sampleRate(sampleRate),
          loop(loop),
          interrupted(std::move(interrupted)),
          title(this->interrupted ? std::string() : TitleOf(this->path, decoder)),
          decoder(std::move(decoder)),
          packet(av_packet_alloc()),
          frame(av_frame_alloc()) {}

    ~AudioFileSource() override { av_channel_layout_uninit(&inputLayout); }

    // Decodes up to the first output, so that a file without decodable audio
    // is refused when it is opened rather than ending silently later.
    std::string Prime() {
        if (!packet || !frame) {
            return "out of memory opening '" + path + "'";
        }
        if (!Refill()) {
            return error.empty() ? "no audio could be decoded from '" + path + "'" : error;
        }
        return {};
    }

    int64_t ItemsBegun() const override { return interrupted ? 0 : passes; }
    std::string Title() const override { return title; }
    std::string Failure() const override { return error; }

    void Interrupt() override {
        if (interrupted) {
            *interrupted = true;
        }
    }

    int Read(float* frames, int frameCount) override {
        int delivered = 0;
        while (delivered < frameCount) {
            if (readFrame == PendingFrames() && !Refill()) {
                break;
            }
            const int count = std::min(frameCount - delivered, PendingFrames() - readFrame);
            std::copy_n(pending.data() + 2 * static_cast<std::size_t>(readFrame), 2 * count, frames + 2 * delivered);
            readFrame += count;
            delivered += count;
        }
        return delivered;
    }

private:
    int PendingFrames() const { return static_cast<int>(pending.size() / 2); }

    // Decodes until new frames are pending; false once the input is over.
    bool Refill() {
        pending.clear();
        readFrame = 0;
        while (!finished && pending.empty()) {
            const int received = avcodec_receive_frame(decoder.codec.get(), frame.get());
            if (received == 0) {
                framesThisPass += frame->nb_samples;
                Convert(frame.get());
                av_frame_unref(frame.get());
            } else if (received == AVERROR(EAGAIN)) {
                FeedDecoder();
            } else if (received == AVERROR_EOF && loop && framesThisPass > 0) {
                StartNextPass();
            } else {
                Finish();
            }
        }
        return !pending.empty();
    }

    void FeedDecoder() {
        if (av_read_frame(decoder.format.get(), packet.get()) < 0) {
            // End of file, or a read error that ends it: let the decoder hand out what it holds.
            avcodec_send_packet(decoder.codec.get(), nullptr);
            return;
        }
        if (packet->stream_index == decoder.streamIndex) {
            // A damaged packet is skipped; the decoder resynchronises on the next.
            avcodec_send_packet(decoder.codec.get(), packet.get());
        }
        av_packet_unref(packet.get());
    }

    // Reopening rather than seeking works for every container and gives the
    // decoder a clean start; the resampler carries on, so the loop point has no gap.
    void StartNextPass() {
        Decoder next;
        error = OpenDecoder(path, next);
        if (!error.empty()) {
            Finish();
            return;
        }
        decoder = std::move(next);
        framesThisPass = 0;
        ++passes;
    }

    void Finish() {
        FlushResampler();
        resampler.reset();
        finished = true;
    }

    bool MatchesResampler(const AVFrame* frame) const {
        return resampler && frame->format == inputFormat && frame->sample_rate == inputRate &&
               av_channel_layout_compare(&frame->ch_layout, &inputLayout) == 0;
    }

    // Built from the first decoded frame, and again whenever the stream changes
    // its format midway, which some files do.
    bool SetUpResampler(const AVFrame* frame) {
        FlushResampler();
        resampler.reset();
        av_channel_layout_uninit(&inputLayout);
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
            av_channel_layout_default(&inputLayout, frame->ch_layout.nb_channels);
        } else if (av_channel_layout_copy(&inputLayout, &frame->ch_layout) < 0) {
            return false;
        }
        inputFormat = frame->format;
        inputRate = frame->sample_rate;

        SwrContext* made = nullptr;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        if (swr_alloc_set_opts2(&made, &stereo, AV_SAMPLE_FMT_FLT, sampleRate, &inputLayout,
                                static_cast<AVSampleFormat>(inputFormat), inputRate, 0, nullptr) < 0) {
            return false;
        }
        resampler.reset(made);
        if (inputLayout.nb_channels == 1) {
            // Mono plays at full level on both sides, not lowered by 3 dB as a downmixed centre would be.
            const double matrix[2] = {1.0, 1.0};
            if (swr_set_matrix(made, matrix, 1) < 0) {
                resampler.reset();
                return false;
            }
        }
        if (swr_init(made) < 0) {
            resampler.reset();
            return false;
        }
        return true;
    }

    void Convert(const AVFrame* frame) {
        if (!MatchesResampler(frame) && !SetUpResampler(frame)) {
            error = "cannot convert the audio of '" + path + "' to stereo at " + std::to_string(sampleRate) + " Hz";
            finished = true;
            return;
        }
        AppendConverted(const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    }

    void FlushResampler() {
        if (resampler) {
            AppendConverted(nullptr, 0);
        }
    }

    void AppendConverted(const uint8_t** input, int inputFrames) {
        const int room = swr_get_out_samples(resampler.get(), inputFrames);
        if (room <= 0) {
            return;
        }
        const std::size_t start = pending.size();
        pending.resize(start + 2 * static_cast<std::size_t>(room));
        auto* output = reinterpret_cast<uint8_t*>(pending.data() + start);
        const int converted = swr_convert(resampler.get(), &output, room, input, inputFrames);
        pending.resize(start + 2 * static_cast<std::size_t>(std::max(converted, 0)));
    }

    std::string path;
    int sampleRate;
    bool loop;
    InterruptFlag interrupted;
    std::string title;
    int64_t passes = 1;
    Decoder decoder;
    PacketPtr packet;
    FramePtr frame;
    ResamplerPtr resampler;
    AVChannelLayout inputLayout = {};
    int inputFormat = -1;
    int inputRate = 0;
    std::vector<float> pending;  // interleaved stereo, converted
    int readFrame = 0;
    int64_t framesThisPass = 0;
    bool finished = false;
    std::string error;
};

}  // namespace

OpenedAudioSource OpenAudioFile(const std::string& path, int sampleRate, bool loop) {
    Decoder decoder;
    std::string error = OpenDecoder(path, decoder);
    if (!error.empty()) {
        return {nullptr, error};
    }
    auto source = std::make_unique<AudioFileSource>(path, sampleRate, loop, std::move(decoder));
    error = source->Prime();
    if (!error.empty()) {
        return {nullptr, error};
    }
    return {std::move(source), {}};
}

bool IsInputDevice(std::string_view name) {
    static std::once_flag registered;
    std::call_once(registered, [] { avdevice_register_all(); });
    const AVInputFormat* format = av_find_input_format(std::string(name).c_str());
    return format != nullptr && format->priv_class != nullptr && AV_IS_INPUT_DEVICE(format->priv_class->category);
}

OpenedAudioSource OpenAudioDevice(const std::string& name, const std::string& device, int sampleRate) {
    if (!IsInputDevice(name)) {
        return {nullptr, "FFmpeg has no input device " + name};
    }
    auto interrupted = std::make_shared<std::atomic<bool>>(false);
    Decoder decoder;
    std::string error = OpenDecoder(device, decoder, av_find_input_format(name.c_str()), interrupted);
    if (!error.empty()) {
        return {nullptr, error};
    }
    auto source = std::make_unique<AudioFileSource>(device, sampleRate, false, std::move(decoder), interrupted);
    error = source->Prime();
    if (!error.empty()) {
        return {nullptr, error};
    }
    return {std::move(source), {}};
}
