// Audio pushed into the worker reaches a real listener as MP3 at the rate and
// bit rate chosen.

#include <gtest/gtest.h>

#include <ostream>

#include "support/signal_analysis.h"
#include "worker_harness.h"

namespace skyflume::test {
namespace {

using namespace std::chrono_literals;

struct ToneCase {
    int32_t inputSampleRate;
    int32_t outputSampleRate;
    int32_t bitRateKbps;
};

void PrintTo(const ToneCase& chosen, std::ostream* out) {
    *out << chosen.inputSampleRate << " Hz to " << chosen.outputSampleRate << " Hz at " << chosen.bitRateKbps
         << " kbit/s";
}

class WorkerToneTest : public WorkerTest, public ::testing::WithParamInterface<ToneCase> {};

TEST_P(WorkerToneTest, ToneIsHeardAtTheChosenRateAndBitRate) {
    const ToneCase chosen = GetParam();
    StreamParams params = ParamsFor(server);
    params.inputSampleRate = chosen.inputSampleRate;
    params.outputSampleRate = chosen.outputSampleRate;
    params.bitRateKbps = chosen.bitRateKbps;
    ASSERT_NO_FATAL_FAILURE(StartStreaming(params));
    ASSERT_NO_FATAL_FAILURE(Listen(0.1));
    const double silenceHeard = listener.Snapshot().SecondsHeard();
    run->PushTone(1000.0, 3.0);
    ASSERT_TRUE(listener.WaitForSeconds(silenceHeard + 3.0, 15s)) << listener.Snapshot().error;
    EXPECT_EQ(run->Stop(), kStatusOk);
    const ListenResult heard = listener.StopAndJoin();

    EXPECT_EQ(heard.sampleRate, chosen.outputSampleRate);
    EXPECT_EQ(heard.channels, 2);
    EXPECT_EQ(heard.bitRate, chosen.bitRateKbps * 1000);
    EXPECT_NEAR(DominantFrequency(heard.left, heard.sampleRate), 1000.0, 10.0);
}

INSTANTIATE_TEST_SUITE_P(Rates, WorkerToneTest,
                         ::testing::Values(ToneCase{44100, 44100, 64}, ToneCase{44100, 48000, 320},
                                           ToneCase{48000, 44100, 320}),
                         [](const ::testing::TestParamInfo<ToneCase>& info) {
                             return "From" + std::to_string(info.param.inputSampleRate) + "To" +
                                    std::to_string(info.param.outputSampleRate) + "At" +
                                    std::to_string(info.param.bitRateKbps) + "Kbps";
                         });

}  // namespace
}  // namespace skyflume::test
