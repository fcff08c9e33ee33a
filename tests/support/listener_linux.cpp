// The listener as a thread of the test's own, on Linux.

#include "support/listener.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include "host/app/ffmpeg_owners.h"

namespace skyflume::test {
namespace {

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// "Icy-Name: x\nicy-genre: y\n" as FFmpeg's HTTP client collects them.
std::map<std::string, std::string> ParseIcyHeaders(const std::string& text) {
    std::map<std::string, std::string> headers;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string name = line.substr(0, colon);
        std::ranges::transform(name, name.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        headers[name] = line.substr(std::min(line.find_first_not_of(' ', colon + 1), line.size()));
    }
    return headers;
}

std::string ChildOption(AVIOContext* pb, const char* name) {
    uint8_t* value = nullptr;
    if (!pb || av_opt_get(pb, name, AV_OPT_SEARCH_CHILDREN, &value) < 0) return {};
    std::string text = value ? reinterpret_cast<const char*>(value) : "";
    av_free(value);
    return text;
}

}  // namespace

struct Listener::Session {
    explicit Session(ListenerOptions options) : options(options) {}

    void Run(std::string url);
    void Finish(const std::string& error, const std::string& endReason);

    const ListenerOptions options;
    std::thread thread;
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable changed;
    ListenResult result;
};

Listener::Listener(ListenerOptions options) : session(std::make_unique<Session>(options)) {}

Listener::~Listener() {
    StopAndJoin();
}

void Listener::Start(const std::string& url) {
    StopAndJoin();
    {
        std::lock_guard lock(session->mutex);
        session->result = ListenResult{};
    }
    session->stop = false;
    session->thread = std::thread(&Session::Run, session.get(), url);
}

ListenResult Listener::StopAndJoin() {
    session->stop = true;
    if (session->thread.joinable()) session->thread.join();
    std::lock_guard lock(session->mutex);
    return session->result;
}

bool Listener::WaitForSeconds(double seconds, std::chrono::milliseconds timeout) {
    std::unique_lock lock(session->mutex);
    const ListenResult& result = session->result;
    const auto enough = [&] { return result.sampleRate > 0 && result.SecondsHeard() >= seconds; };
    session->changed.wait_for(lock, timeout, [&] { return result.ended || enough(); });
    return enough();
}

bool Listener::WaitForEnd(std::chrono::milliseconds timeout) {
    std::unique_lock lock(session->mutex);
    return session->changed.wait_for(lock, timeout, [&] { return session->result.ended; });
}

ListenResult Listener::Snapshot() const {
    std::lock_guard lock(session->mutex);
    return session->result;
}

void Listener::Session::Finish(const std::string& error, const std::string& endReason) {
    std::lock_guard lock(mutex);
    result.error = error;
    result.endReason = endReason;
    result.ended = true;
    changed.notify_all();
}

void Listener::Session::Run(std::string url) {
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw) return Finish("out of memory", "");
    // Stop requests cut through any blocking read; the I/O timeouts bound a
    // server that stays connected but goes silent.
    raw->interrupt_callback.callback = [](void* self) { return static_cast<Session*>(self)->stop.load() ? 1 : 0; };
    raw->interrupt_callback.opaque = this;
    const int64_t timeoutUs = options.ioTimeout.count() * 1000;
    AVDictionary* settings = nullptr;
    av_dict_set_int(&settings, "rw_timeout", timeoutUs, 0);
    av_dict_set_int(&settings, "timeout", timeoutUs, 0);
    av_dict_set(&settings, "user_agent", "skyflume-test-listener", 0);
    int rc = avformat_open_input(&raw, url.c_str(), nullptr, &settings);
    av_dict_free(&settings);
    if (rc < 0) return Finish("cannot open " + url + ": " + AvError(rc), "");
    InputContextPtr format(raw);

    if ((rc = avformat_find_stream_info(format.get(), nullptr)) < 0)
        return Finish("no stream info: " + AvError(rc), "");
    const AVCodec* decoder = nullptr;
    const int streamIndex = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (streamIndex < 0 || !decoder) return Finish("no audio stream", "");
    const AVCodecParameters* params = format->streams[streamIndex]->codecpar;
    CodecContextPtr codec(avcodec_alloc_context3(decoder));
    if (!codec || avcodec_parameters_to_context(codec.get(), params) < 0 ||
        (rc = avcodec_open2(codec.get(), decoder, nullptr)) < 0)
        return Finish("cannot open decoder: " + AvError(rc), "");

    {
        std::lock_guard lock(mutex);
        result.connected = true;
        result.formatName = format->iformat->name;
        result.codecName = decoder->name;
        result.sampleRate = params->sample_rate;
        result.channels = params->ch_layout.nb_channels;
        result.bitRate = params->bit_rate;
        result.icyHeaders = ParseIcyHeaders(ChildOption(format->pb, "icy_metadata_headers"));
        result.contentType = ChildOption(format->pb, "mime_type");
        changed.notify_all();
    }

    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    FramePtr planar(av_frame_alloc());
    ResamplerPtr resampler(swr_alloc());
    if (!packet || !frame || !planar || !resampler) return Finish("out of memory", "");

    // Converts to planar float at the decoded rate, whatever the decoder's
    // sample format, and records it.
    const auto convert = [&](const AVFrame* decoded) {
        av_frame_unref(planar.get());
        planar->format = AV_SAMPLE_FMT_FLTP;
        planar->sample_rate = decoded->sample_rate;
        const int copied = av_channel_layout_copy(&planar->ch_layout, &decoded->ch_layout);
        return copied < 0 ? copied : swr_convert_frame(resampler.get(), planar.get(), decoded);
    };
    const auto consume = [&](const AVFrame* decoded) -> bool {
        int converted = convert(decoded);
        // A stream whose format changes midway sets the resampler up anew.
        if (converted == AVERROR_INPUT_CHANGED || converted == AVERROR_OUTPUT_CHANGED) {
            swr_close(resampler.get());
            converted = convert(decoded);
        }
        if (converted < 0) return false;
        std::lock_guard lock(mutex);
        result.sampleRate = decoded->sample_rate;
        result.channels = decoded->ch_layout.nb_channels;
        if (codec->bit_rate > 0) result.bitRate = codec->bit_rate;
        result.framesDecoded += planar->nb_samples;
        const auto cap = static_cast<std::size_t>(options.keepSeconds * decoded->sample_rate);
        const auto* samples = reinterpret_cast<const float*>(planar->extended_data[0]);
        const std::size_t room = cap > result.left.size() ? cap - result.left.size() : 0;
        const std::size_t take = std::min(room, static_cast<std::size_t>(planar->nb_samples));
        result.left.insert(result.left.end(), samples, samples + take);
        changed.notify_all();
        return true;
    };
    const auto drain = [&]() -> bool {
        while (avcodec_receive_frame(codec.get(), frame.get()) == 0) {
            const bool ok = consume(frame.get());
            av_frame_unref(frame.get());
            if (!ok) return false;
        }
        return true;
    };

    std::string endReason = "end of stream";
    bool reading = true;
    while (reading && !stop) {
        rc = av_read_frame(format.get(), packet.get());
        if (rc < 0) {
            if (rc != AVERROR_EOF) endReason = AvError(rc);
            break;
        }
        if (packet->stream_index == streamIndex) {
            if (avcodec_send_packet(codec.get(), packet.get()) < 0) {
                std::lock_guard lock(mutex);
                ++result.decodeErrors;
            }
            if (!drain()) {
                endReason = "cannot convert decoded audio";
                reading = false;
            }
        }
        av_packet_unref(packet.get());
    }
    if (stop) endReason = "stopped";
    avcodec_send_packet(codec.get(), nullptr);
    drain();
    Finish("", endReason);
}

}  // namespace skyflume::test
