#pragma once

// A minimal host around one StreamWorker: Run on a thread that the host
// starts, posted events recorded without being delivered, and the test
// standing in for the audio thread by pushing into the run's capture buffer.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "broadcast/stream_worker.h"
#include "counting_event.h"
#include "host/application_base.h"
#include "support/icecast_server.h"
#include "support/listener.h"

namespace skyflume::test {

struct PostedEvent {
    SXEventListener* target = nullptr;
    int32_t id = 0;
    int32_t param = 0;

    bool operator==(const PostedEvent&) const = default;
};

class TestHost : public ApplicationBase {
public:
    // Records the event and answers 1; nothing is ever delivered.
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

// One stream run, started the way the stream control starts it, with the
// test's wake event. This object is its thread's body and, as the plug-in is,
// the target of its events, of which only the address matters.
class WorkerRun : public SXThread, public SXEventListener {
public:
    explicit WorkerRun(StreamParams params) : params(std::move(params)) {}

    void Start();
    // Pushes seconds of a sine on both channels, as the audio thread does, in
    // calls of one MP3 frame. Answers the frames pushed while the run took
    // audio.
    int64_t PushTone(double frequency, double seconds);
    // Stops the run as the stream control does and waits for its end.
    std::optional<int32_t> Stop();
    // Waits for the run's last event and its thread, then finishes the run;
    // answers its status.
    std::optional<int32_t> WaitEnded();

    // SXThread and SXEventListener
    int32_t QueryInterface(const GUID*, void**) override { return kENoInterface; }
    int32_t AddRef() override { return 1; }
    int32_t Release() override { return 1; }
    int32_t Run() override { return worker.Run(&host, this); }
    void OnEvent(int32_t, int32_t, intptr_t) override {}

    StreamParams params;
    TestHost host;
    CountingEvent wake;
    // Goes first, and stops a run still going.
    StreamWorker worker;
};

// Samples per channel of one MP3 frame.
constexpr int32_t kMp3FrameSize = 1152;
constexpr std::chrono::seconds kEventTimeout{15};

// MP3 at 128 kbit/s from 44100 Hz to 44100 Hz, to the URL.
StreamParams ParamsFor(std::string url);
// Streams to the server's mount with the mount's own source login.
StreamParams ParamsFor(const IcecastServer& server);

std::string IcecastUrl(const std::string& user, const std::string& password, uint16_t port, const std::string& mount);

// A test with an icecast2 server of its own, running before the test starts,
// and the start-up sequence that the worker's tests share.
class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.Start()) << server.LastError(); }

    // Starts a run and waits until it has announced the stream and the
    // server has the source.
    void StartStreaming(const StreamParams& params) {
        run.emplace(params);
        run->Start();
        ASSERT_TRUE(run->host.WaitForEvent(kEventStreamStarted, kEventTimeout));
        ASSERT_TRUE(server.SourceConnected());
    }
    // A run whose set-up fails: it ends with the status and never announces
    // the stream.
    void ExpectSetUpFails(const StreamParams& params, int32_t status) {
        run.emplace(params);
        run->Start();
        EXPECT_EQ(run->WaitEnded(), status);
        EXPECT_EQ(run->host.EventIds(), std::vector<int32_t>{kEventStreamEnded});
        EXPECT_FALSE(run->worker.Streaming());
    }
    // Starts listening to the mount and waits until this much was heard.
    void Listen(double seconds) {
        listener.Start(server.MountUrl());
        ASSERT_TRUE(listener.WaitForSeconds(seconds, std::chrono::seconds(15))) << listener.Snapshot().error;
    }

    IcecastServer server;
    Listener listener;
    std::optional<WorkerRun> run;
};

}  // namespace skyflume::test
