// With no audio at all the stream carries silence, one tenth of a second of
// it for every wait that times out.

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "support/signal_analysis.h"
#include "worker_harness.h"

namespace skyflume::test {
namespace {

using namespace std::chrono_literals;

using WorkerSilenceTest = WorkerTest;

TEST_F(WorkerSilenceTest, WithoutAudioTheListenerHearsSilencePerTimeout) {
    StreamParams params = ParamsFor(server);
    params.bitRateKbps = 64;
    const auto begun = std::chrono::steady_clock::now();
    ASSERT_NO_FATAL_FAILURE(StartStreaming(params));
    ASSERT_NO_FATAL_FAILURE(Listen(1.0));
    EXPECT_EQ(run->Stop(), kStatusOk);
    const std::chrono::duration<double> streamed = std::chrono::steady_clock::now() - begun;
    EXPECT_TRUE(listener.WaitForEnd(10s));
    const ListenResult heard = listener.StopAndJoin();

    const auto timeouts =
        std::ranges::count_if(run->wake.Waits(), [](const auto& wait) { return wait.answer != WAIT_OBJECT_0; });
    const int64_t block = params.inputSampleRate / 10;
    EXPECT_LT(Rms(heard.left), 1e-4);
    // The listener joins a little after the start and the server keeps back
    // a last partial buffer, so it hears somewhat less than was sent. A wait
    // that timed out late owes more than one block, so the most is the time
    // streamed, rounded up to a block; the encoder's drain adds a few frames
    // of padding.
    EXPECT_LE(heard.framesDecoded, streamed.count() * params.inputSampleRate + block + 4 * kMp3FrameSize);
    EXPECT_GE(heard.framesDecoded, timeouts * block * 3 / 4);
}

// A wait that fails at once must not turn the loop into one that sends
// silence as fast as it can encode it.
TEST_F(WorkerSilenceTest, FailedWaitsKeepTheLoopAtTheTimeoutsPace) {
    run.emplace(ParamsFor(server));
    run->wake.FailWaits();
    run->Start();
    ASSERT_TRUE(run->host.WaitForEvent(kEventStreamStarted, kEventTimeout));
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(run->Stop(), kStatusOk);

    const std::vector<CountingEvent::WaitRecord> waits = run->wake.Waits();
    // About ten in the second, each answered WAIT_FAILED; spinning makes thousands.
    EXPECT_GE(waits.size(), 5u);
    EXPECT_LE(waits.size(), 15u);
    EXPECT_TRUE(std::ranges::all_of(waits, [](const auto& wait) { return wait.answer == WAIT_FAILED; }));
}

}  // namespace
}  // namespace skyflume::test
