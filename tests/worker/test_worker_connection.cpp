// Set-up against a server that is not there or refuses the source, and a
// server that disappears while the worker streams.

#include <gtest/gtest.h>

#include "support/fake_server.h"
#include "support/icecast_server.h"
#include "worker_harness.h"

namespace skyflume::test {
namespace {

using namespace std::chrono_literals;

using WorkerConnectionTest = WorkerTest;

// A run that cannot connect ends with status 1 and never announces a start.
void ExpectConnectionFails(const WorkerConfig& config) {
    WorkerRun run(config);
    run.Start();
    EXPECT_EQ(run.WaitEnded(), kStatusConnectionFailed);
    EXPECT_EQ(run.host.EventIds(), std::vector<int32_t>{kEventStreamEnded});
    EXPECT_FALSE(run.worker.streaming);
}

TEST_F(WorkerConnectionTest, NothingListeningEndsWithStatus1AndNoAnnouncement) {
    const FakeServer closed(FakeServer::Kind::Closed);
    ASSERT_NE(closed.Port(), 0);
    WorkerConfig config;
    config.url = IcecastUrl("admin", "tovrz", closed.Port(), "/stream");
    config.radioName = "Nobody Hears";
    ExpectConnectionFails(config);
}

TEST_F(WorkerConnectionTest, WrongPasswordEndsWithStatus1AndNoAnnouncement) {
    const IcecastOptions& options = server.Options();
    WorkerConfig config;
    config.url = IcecastUrl(options.sourceUser, options.sourcePassword + "x", server.Port(), options.mount);
    ExpectConnectionFails(config);
}

// The run ends on its own with the write failure, without being asked to
// stop; the sanitizer build checks that it leaves nothing allocated.
TEST_F(WorkerConnectionTest, ServerKilledMidStreamEndsWithStatus9) {
    WorkerRun run(ConfigFor(server));
    ASSERT_NO_FATAL_FAILURE(StartStreaming(run));
    run.PushTone(1000.0, 0.5);

    server.Kill();
    // Enough audio to fill the connection's buffers many times over; the
    // worker keeps inserting silence after the tone runs out.
    for (int i = 0; i < 40 && !run.host.WaitForEvent(kEventStreamEnded, 0ms); ++i) {
        run.PushTone(1000.0, 0.5);
        run.host.WaitForEvent(kEventStreamEnded, 250ms);
    }

    EXPECT_EQ(run.WaitEnded(), kStatusWriteFailed);
    EXPECT_TRUE(run.worker.stopRequested);
    EXPECT_EQ(run.host.EventIds(), (std::vector<int32_t>{kEventStreamStarted, kEventStreamEnded}));
}

}  // namespace
}  // namespace skyflume::test
