// Ending a stream on request: the pending audio is encoded, the encoder is
// drained and the run reports status 0.

#include <gtest/gtest.h>

#include <thread>

#include "log_capture.h"
#include "worker_harness.h"

namespace skyflume::test {
namespace {

// What the MP3 encoder says when it is closed with frames it never gave out.
constexpr char kUndrainedEncoder[] = "left in the queue on closing";

using WorkerStopTest = WorkerTest;

TEST_F(WorkerStopTest, StopWhileStreamingDrainsTheEncoderAndEndsWithStatus0) {
    const LogCapture log;
    ASSERT_NO_FATAL_FAILURE(StartStreaming(ParamsFor(server)));
    ASSERT_GT(run->PushTone(1000.0, 1.0), 0);

    EXPECT_EQ(run->Stop(), kStatusOk);
    EXPECT_TRUE(server.SourceGone());
    EXPECT_EQ(log.Matching(kUndrainedEncoder), std::vector<std::string>{});
    SXEventListener* const target = &*run;
    EXPECT_EQ(run->host.Events(),
              (std::vector<PostedEvent>{{target, kEventStreamStarted, 0}, {target, kEventStreamEnded, kStatusOk}}));
}

// The stop is seen right after the first pass: one wait, which times out
// because nothing was signalled, so that pass encoded one time-out's silence.
// The stop comes from a thread of its own, as the GUI thread's would, and
// the announcement takes back its wake before the loop begins.
TEST_F(WorkerStopTest, StopRequestedBeforeTheLoopMakesOneWaitAndEndsWithStatus0) {
    const LogCapture log;
    run.emplace(ParamsFor(server));
    std::thread stopper;
    run->host.SetPostHook([this, &stopper](int32_t id) {
        if (id == kEventStreamStarted) {
            stopper = std::thread([this] { run->worker.Stop(); });
            run->worker.Capture().WaitForWake(std::chrono::milliseconds(kEventTimeout).count());
        }
    });
    run->Start();

    ASSERT_TRUE(run->host.WaitForEvent(kEventStreamEnded, kEventTimeout));
    stopper.join();
    EXPECT_EQ(run->WaitEnded(), kStatusOk);
    const std::vector<CountingEvent::WaitRecord> waits = run->wake.Waits();
    ASSERT_EQ(waits.size(), 2u);
    EXPECT_EQ(waits[1].timeoutMs, StreamWorker::kWakeTimeoutMs);
    EXPECT_EQ(waits[1].answer, WAIT_TIMEOUT);
    EXPECT_EQ(log.Matching(kUndrainedEncoder), std::vector<std::string>{});
    EXPECT_EQ(run->host.EventIds(), (std::vector<int32_t>{kEventStreamStarted, kEventStreamEnded}));
}

}  // namespace
}  // namespace skyflume::test
