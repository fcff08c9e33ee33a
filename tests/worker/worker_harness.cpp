#include "worker_harness.h"

#include <cstdio>
#include <cstring>

#include "support/signal_analysis.h"

extern "C" {
#include <libavcodec/codec_id.h>
#include <libavutil/audio_fifo.h>
}

namespace skyflume::test {

namespace {

char* CopyText(const std::optional<std::string>& text) {
    if (!text) {
        return nullptr;
    }
    char* copy = new char[text->size() + 1];
    std::memcpy(copy, text->c_str(), text->size() + 1);
    return copy;
}

}  // namespace

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
    std::optional<PostedEvent> found;
    posted.wait_for(lock, timeout, [&] {
        for (const PostedEvent& event : events) {
            if (event.id == id) {
                found = event;
                return true;
            }
        }
        return false;
    });
    return found;
}

std::vector<PostedEvent> TestHost::Events() const {
    std::lock_guard lock(mutex);
    return events;
}

std::vector<int32_t> TestHost::EventIds() const {
    std::vector<int32_t> ids;
    for (const PostedEvent& event : Events()) {
        ids.push_back(event.id);
    }
    return ids;
}

WorkerRun::WorkerRun(const WorkerConfig& config) {
    // Made as the stream control makes it: freed through the host's FreeUtf8.
    auto* params = new StreamParams{};
    params->host = &host;
    params->url = new char[kStreamUrlCapacity];
    std::snprintf(params->url, kStreamUrlCapacity, "%s", config.url.c_str());
    params->radioName = CopyText(config.radioName);
    params->radioDescription = CopyText(config.radioDescription);
    params->radioGenre = CopyText(config.radioGenre);
    params->radioWebsite = CopyText(config.radioWebsite);
    worker.streamParams.reset(params);

    worker.codecId = AV_CODEC_ID_MP3;
    worker.inputSampleRate = config.inputSampleRate;
    worker.outputSampleRate = config.outputSampleRate;
    worker.bitRateKbps = config.bitRateKbps;
    // The lock as the stream control opens it; the wake event is the test's own.
    InitializeCriticalSection(&worker.fifoLock);
}

WorkerRun::~WorkerRun() {
    if (thread.joinable()) {
        Stop();
    }
    DeleteCriticalSection(&worker.fifoLock);
    worker.wakeEvent = nullptr;
}

void WorkerRun::Start() {
    worker.wakeEvent = wake.Handle();
    thread = std::thread([this] { worker.Run(&host, &target); });
}

bool WorkerRun::WaitStarted() {
    return host.WaitForEvent(kEventStreamStarted, kEventTimeout).has_value();
}

int64_t WorkerRun::PushTone(double frequency, double seconds) {
    // The capture buffer's hand-over: counted in flight before the flag test,
    // so that the worker frees the FIFO only once this call has returned.
    ++worker.captureCallsInFlight;
    const struct Leave {
        StreamWorker& worker;
        ~Leave() { --worker.captureCallsInFlight; }
    } leave{worker};
    if (!worker.streaming || worker.stopRequested) {
        return 0;
    }
    const std::vector<float> interleaved = Tone(frequency, worker.inputSampleRate, seconds, 0.5);
    const auto frameSize = static_cast<size_t>(worker.frameSize);
    std::vector<float> left(frameSize);
    std::vector<float> right(frameSize);
    int64_t frames = 0;
    for (size_t start = 0; start + frameSize <= interleaved.size() / 2; start += frameSize) {
        for (size_t i = 0; i < frameSize; ++i) {
            left[i] = interleaved[2 * (start + i)];
            right[i] = interleaved[2 * (start + i) + 1];
        }
        float* planes[2] = {left.data(), right.data()};
        EnterCriticalSection(&worker.fifoLock);
        av_audio_fifo_write(worker.inputFifo.get(), reinterpret_cast<void**>(planes), worker.frameSize);
        LeaveCriticalSection(&worker.fifoLock);
        SetEvent(worker.wakeEvent);
        ++frames;
    }
    return frames;
}

std::optional<int32_t> WorkerRun::Stop() {
    worker.stopRequested = true;
    SetEvent(worker.wakeEvent);
    return WaitEnded();
}

std::optional<int32_t> WorkerRun::WaitEnded() {
    const std::optional<PostedEvent> ended = host.WaitForEvent(kEventStreamEnded, kEventTimeout);
    if (thread.joinable()) {
        thread.join();
    }
    if (!ended) {
        return std::nullopt;
    }
    return ended->param;
}

WorkerConfig ConfigFor(const IcecastServer& server) {
    WorkerConfig config;
    config.url = server.SourceUrl();
    return config;
}

std::string IcecastUrl(const std::string& user, const std::string& password, uint16_t port, const std::string& mount) {
    return "icecast://" + user + ":" + password + "@127.0.0.1:" + std::to_string(port) + mount;
}

}  // namespace skyflume::test
