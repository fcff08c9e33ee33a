// A stream header that the muxer refuses. The MP3 muxer takes an MP3 stream
// only, so another encoder is needed to make it refuse: Linux's FFmpeg has
// one, while the FFmpeg built for the Windows tests carries the MP3 encoder
// alone.

#include <gtest/gtest.h>

#include "support/icecast_server.h"
#include "worker_harness.h"

namespace skyflume::test {
namespace {

using WorkerConnectionTest = WorkerTest;

// Refused, the muxer is left half set up, so nothing may be written through it.
TEST_F(WorkerConnectionTest, ARefusedStreamHeaderEndsTheSetUpWithStatus11AndNoAnnouncement) {
    WorkerRun run(ConfigFor(server));
    run.worker.codecId = AV_CODEC_ID_MP2;
    run.Start();

    EXPECT_EQ(run.WaitEnded(), kStatusHeaderRefused);
    EXPECT_EQ(run.host.EventIds(), std::vector<int32_t>{kEventStreamEnded});
    EXPECT_FALSE(run.worker.streaming);
}

}  // namespace
}  // namespace skyflume::test
