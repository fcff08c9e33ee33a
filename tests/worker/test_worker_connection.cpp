// Set-up against a server that is not there or refuses the source, and a
// server that disappears while the worker streams.

#include <gtest/gtest.h>

#include "support/fake_server.h"
#include "worker_harness.h"

namespace skyflume::test {
namespace {

using namespace std::chrono_literals;

using WorkerConnectionTest = WorkerTest;

TEST_F(WorkerConnectionTest, NothingListeningEndsWithStatus1AndNoAnnouncement) {
    const FakeServer closed(FakeServer::Kind::Closed);
    ASSERT_NE(closed.Port(), 0);
    StreamParams params = ParamsFor(IcecastUrl("admin", "tovrz", closed.Port(), "/stream"));
    params.radioName = "Nobody Hears";
    ExpectSetUpFails(params, kStatusConnectionFailed);
}

TEST_F(WorkerConnectionTest, WrongPasswordEndsWithStatus1AndNoAnnouncement) {
    const IcecastOptions& options = server.Options();
    ExpectSetUpFails(
        ParamsFor(IcecastUrl(options.sourceUser, options.sourcePassword + "x", server.Port(), options.mount)),
        kStatusConnectionFailed);
}

// The run ends on its own with the write failure, without being asked to
// stop; the sanitizer build checks that it leaves nothing allocated.
TEST_F(WorkerConnectionTest, ServerKilledMidStreamEndsWithStatus9) {
    ASSERT_NO_FATAL_FAILURE(StartStreaming(ParamsFor(server)));
    run->PushTone(1000.0, 0.5);

    server.Kill();
    // Enough audio to fill the connection's buffers many times over; the
    // worker keeps inserting silence after the tone runs out.
    for (int i = 0; i < 40 && !run->host.WaitForEvent(kEventStreamEnded, 250ms); ++i) {
        run->PushTone(1000.0, 0.5);
    }

    EXPECT_EQ(run->WaitEnded(), kStatusWriteFailed);
    EXPECT_TRUE(run->worker.Stopping());
    EXPECT_EQ(run->host.EventIds(), (std::vector<int32_t>{kEventStreamStarted, kEventStreamEnded}));
}

}  // namespace
}  // namespace skyflume::test
