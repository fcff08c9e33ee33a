#include "worker_harness.h"

#include <algorithm>
#include <iterator>

#include "support/signal_analysis.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace skyflume::test {

int32_t TestHost::PostEvent(SXEventListener* target, int32_t id, int32_t param, intptr_t) {
    std::function<void(int32_t)> call;
    {
        std::lock_guard lock(mutex);
        call = hook;
    }
    if (call) {
        call(id);
    }
    std::lock_guard lock(mutex);
    events.push_back({target, id, param});
    posted.notify_all();
    return 1;
}

void TestHost::SetPostHook(std::function<void(int32_t)> hook) {
    std::lock_guard lock(mutex);
    this->hook = std::move(hook);
}

std::optional<PostedEvent> TestHost::WaitForEvent(int32_t id, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex);
    const auto first = [&] { return std::ranges::find(events, id, &PostedEvent::id); };
    if (!posted.wait_for(lock, timeout, [&] { return first() != events.end(); })) {
        return std::nullopt;
    }
    return *first();
}

std::vector<PostedEvent> TestHost::Events() const {
    std::lock_guard lock(mutex);
    return events;
}

std::vector<int32_t> TestHost::EventIds() const {
    std::vector<int32_t> ids;
    std::ranges::transform(Events(), std::back_inserter(ids), &PostedEvent::id);
    return ids;
}

void WorkerRun::Start() {
    ASSERT_EQ(worker.Start(params, wake.Handle(), &host, this), kStatusOk);
}

int64_t WorkerRun::PushTone(double frequency, double seconds) {
    if (!worker.Streaming() || worker.Stopping()) {
        return 0;
    }
    const std::vector<float> interleaved = Tone(frequency, params.inputSampleRate, seconds, 0.5);
    const auto frames = static_cast<int64_t>(interleaved.size() / 2);
    for (int64_t start = 0; start < frames; start += kMp3FrameSize) {
        const auto count = static_cast<int32_t>(std::min<int64_t>(kMp3FrameSize, frames - start));
        worker.Capture().Push(interleaved.data() + 2 * start, count);
    }
    return frames;
}

std::optional<int32_t> WorkerRun::Stop() {
    worker.Stop();
    return WaitEnded();
}

std::optional<int32_t> WorkerRun::WaitEnded() {
    const std::optional<PostedEvent> ended = host.WaitForEvent(kEventStreamEnded, kEventTimeout);
    if (!ended) {
        return std::nullopt;
    }
    // The thread has posted its last event; this waits for its return.
    worker.Stop();
    worker.Finish();
    return ended->param;
}

StreamParams ParamsFor(std::string url) {
    StreamParams params;
    params.url = std::move(url);
    params.codecId = AV_CODEC_ID_MP3;
    params.inputSampleRate = 44100;
    params.outputSampleRate = 44100;
    params.bitRateKbps = 128;
    return params;
}

StreamParams ParamsFor(const IcecastServer& server) {
    return ParamsFor(server.SourceUrl());
}

std::string IcecastUrl(const std::string& user, const std::string& password, uint16_t port, const std::string& mount) {
    return "icecast://" + user + ":" + password + "@127.0.0.1:" + std::to_string(port) + mount;
}

}  // namespace skyflume::test
