#pragma once

// A minimal host around one StreamWorker: Run on a thread of the test's own,
// posted events queued without waiting, and the test standing in for the
// capture buffer by appending whole frames to inputFifo under fifoLock.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "broadcast/stream_worker.h"
#include "counting_event.h"
#include "host/application_base.h"
#include "support/icecast_server.h"

namespace skyflume::test {

struct PostedEvent {
    SXEventListener* target = nullptr;
    int32_t id = 0;
    int32_t param = 0;
};

class TestHost : public ApplicationBase {
public:
    // Queues the event and answers 1; nothing is ever delivered.
    int32_t PostEvent(SXEventListener* target, int32_t id, int32_t param, intptr_t param2) override;

    // Runs inside PostEvent on the posting thread, before the event is queued.
    void SetPostHook(std::function<void(int32_t id)> hook);
    std::optional<PostedEvent> WaitForEvent(int32_t id, std::chrono::milliseconds timeout);
    std::vector<PostedEvent> Events() const;
    // Their ids, in the order they were posted.
    std::vector<int32_t> EventIds() const;

private:
    mutable std::mutex mutex;
    std::condition_variable posted;
    std::vector<PostedEvent> events;
    std::function<void(int32_t)> hook;
};

// The plug-in's event listener as the worker sees it: only its address matters.
class EventTarget : public SXEventListener {
public:
    int32_t QueryInterface(const GUID*, void**) override { return kENoInterface; }
    int32_t AddRef() override { return 1; }
    int32_t Release() override { return 1; }
    void OnEvent(int32_t, int32_t, intptr_t) override {}
};

struct WorkerConfig {
    std::string url;
    int32_t inputSampleRate = 44100;
    int32_t outputSampleRate = 44100;
    int32_t bitRateKbps = 128;
    std::optional<std::string> radioName;
    std::optional<std::string> radioDescription;
    std::optional<std::string> radioGenre;
    std::optional<std::string> radioWebsite;
};

// One stream run, prepared the way the stream control prepares it.
class WorkerRun {
public:
    explicit WorkerRun(const WorkerConfig& config);
    ~WorkerRun();
    WorkerRun(const WorkerRun&) = delete;
    WorkerRun& operator=(const WorkerRun&) = delete;

    // Hands the worker its wake event and runs it.
    void Start();
    // True once the worker has announced the stream.
    bool WaitStarted();
    // Appends seconds of a sine on both channels, frameSize samples at a
    // time, each append under fifoLock and followed by a wake, as the
    // capture buffer does, and only while the worker takes audio. Answers the
    // whole frames appended.
    int64_t PushTone(double frequency, double seconds);
    // Requests a stop as the stream control does and waits for the end.
    std::optional<int32_t> Stop();
    // Waits for the run's last event and the thread; answers its status.
    std::optional<int32_t> WaitEnded();

    TestHost host;
    EventTarget target;
    CountingEvent wake;
    StreamWorker worker;

private:
    std::thread thread;
};

constexpr std::chrono::seconds kEventTimeout{15};

// Streams to the server's mount with the mount's own source login.
WorkerConfig ConfigFor(const IcecastServer& server);

std::string IcecastUrl(const std::string& user, const std::string& password, uint16_t port, const std::string& mount);

// A test with an icecast2 server of its own, running before the test starts.
class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.Start()) << server.LastError(); }

    // Runs the worker until it has announced the stream and the server has the source.
    void StartStreaming(WorkerRun& run) {
        run.Start();
        ASSERT_TRUE(run.WaitStarted());
        ASSERT_TRUE(server.SourceConnected());
    }

    IcecastServer server;
};

}  // namespace skyflume::test
