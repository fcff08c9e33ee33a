// Time stamps go on counting beyond 2^31 samples, where a 32-bit counter
// would wrap to negative values after about 12 hours on air.

#include <gtest/gtest.h>

#include "log_capture.h"
#include "worker_harness.h"

namespace skyflume::test {
namespace {

using WorkerCounterTest = WorkerTest;

TEST_F(WorkerCounterTest, StreamsAcrossTwoToThe31SamplesWithoutComplaint) {
    const LogCapture log;
    StreamParams params = ParamsFor(server);
    // One second before the counter passes 2^31; three seconds are pushed.
    params.firstSampleTime = (int64_t{1} << 31) - params.outputSampleRate;
    ASSERT_NO_FATAL_FAILURE(StartStreaming(params));
    EXPECT_GT(run->PushTone(1000.0, 3.0), 2 * params.outputSampleRate);

    EXPECT_EQ(run->Stop(), kStatusOk);
    EXPECT_EQ(log.Messages(), std::vector<std::string>{});
}

}  // namespace
}  // namespace skyflume::test
