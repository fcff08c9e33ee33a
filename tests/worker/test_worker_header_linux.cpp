// A stream header that the muxer refuses. The MP3 muxer takes an MP3 stream
// only, so another encoder is needed to make it refuse: Linux's FFmpeg has
// one, while the FFmpeg built for the Windows tests carries the MP3 encoder
// alone.

#include <gtest/gtest.h>

#include "worker_harness.h"

namespace skyflume::test {
namespace {

using WorkerConnectionTest = WorkerTest;

// Refused, the muxer is left half set up, so nothing may be written through it.
TEST_F(WorkerConnectionTest, ARefusedStreamHeaderEndsTheSetUpWithStatus11AndNoAnnouncement) {
    StreamParams params = ParamsFor(server);
    params.codecId = AV_CODEC_ID_MP2;
    ExpectSetUpFails(params, kStatusHeaderRefused);
}

}  // namespace
}  // namespace skyflume::test
