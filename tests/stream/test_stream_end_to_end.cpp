// The built module streaming to a real icecast2 as a host drives it, and its
// window following each state of the run.

#include <thread>

#include "stream/end_to_end_fixture.h"
#include "support/fake_server.h"
#include "support/listener.h"
#include "support/signal_analysis.h"

namespace skyflume::test {
namespace {

using namespace std::chrono_literals;

TEST_F(EndToEndTest, StreamsTheHostsAudioAndTheWindowFollowsEachState) {
    ASSERT_NO_FATAL_FAILURE(StartServer());
    toolkit.PickItem(settings.At(kSampleRateCombo), 1);
    toolkit.PickItem(settings.At(kBitRateCombo), 6);
    StartAudio();

    settings.Click();
    settings.ExpectConnecting();

    ASSERT_TRUE(application.WaitForEvent(kEventStreamStarted, kEventTimeout));
    EXPECT_EQ(settings.Status(), "Status: streaming...");
    EXPECT_EQ(settings.ButtonCaption(), "Stop");
    EXPECT_TRUE(settings.ButtonEnabled());
    EXPECT_EQ(settings.EnabledInputs(), 0);
    EXPECT_FALSE(settings.Closable());

    Listener listener;
    listener.Start(server->MountUrl());
    ASSERT_TRUE(listener.WaitForSeconds(2.0, 15s)) << listener.Snapshot().error;
    const ListenResult heard = listener.StopAndJoin();
    EXPECT_EQ(heard.formatName, "mp3");
    EXPECT_EQ(heard.decodeErrors, 0);
    EXPECT_EQ(heard.sampleRate, 48000);
    EXPECT_EQ(heard.bitRate, 192000);
    EXPECT_NEAR(DominantFrequency(heard.left, heard.sampleRate), kToneHz, 10.0);

    // Returns once the worker has ended; the rest waits for its last event.
    settings.Click();
    EXPECT_FALSE(settings.ButtonEnabled());
    EXPECT_EQ(settings.Status(), "Status: streaming...");
    ExpectEndedWith("Status: done.");
    EXPECT_TRUE(server->SourceGone());
}

TEST_F(EndToEndTest, AWrongPasswordEndsWithStreamCreateError) {
    ASSERT_NO_FATAL_FAILURE(StartServer());
    settings.Type(kPasswordBox, "wrong");
    settings.Click();
    ExpectEndedWith("Status: stream create error.");
}

TEST_F(EndToEndTest, AServerThatVanishesMidStreamEndsWithStreamWriteError) {
    ASSERT_NO_FATAL_FAILURE(StartServer());
    StartAudio();
    ASSERT_NO_FATAL_FAILURE(StartStreaming());
    ASSERT_TRUE(server->SourceConnected());
    server->Kill();
    ExpectEndedWith("Status: stream write error.");
}

TEST_F(EndToEndTest, APasswordWithUrlCharactersLogsInAsTyped) {
    ASSERT_NO_FATAL_FAILURE(StartServer({.sourcePassword = "p@ss:w/rd%x"}));
    StartAudio();
    ASSERT_NO_FATAL_FAILURE(StartStreaming());
    EXPECT_TRUE(server->SourceConnected());
    settings.Click();
    ExpectEndedWith("Status: done.");
}

TEST_F(EndToEndTest, DeactivationWhileConnectingEndsTheWorkerSoThatTheObjectCanGo) {
    // Accepts the connection and never answers: the worker waits for its time-out.
    FakeServer silent(FakeServer::Kind::Silent);
    settings.TypeServer(silent.Port(), "/stream", "admin", "tovrz");
    settings.Click();
    ASSERT_EQ(settings.Status(), "Status: connecting...");

    plugin->Deactivate();
    plugin->Unload(1);
    // The worker's last event is already queued, and holds the object.
    EXPECT_EQ(plugin->Release(), 1);
    released = true;
    EXPECT_TRUE(application.WaitForEvent(kEventStreamEnded, 0ms));
    EXPECT_EQ(toolkit.LiveComponents(), 0);
}

// A host with a large buffer calls less often than the worker's wait times
// out: its audio goes out without gaps and in real time, and only a pause of
// its calls becomes silence, after which the audio goes on where it stopped.
struct LargeBlocks {
    int32_t rate, frames;
    std::chrono::milliseconds pause;
};
class LargeBlockTest : public EndToEndTest, public testing::WithParamInterface<LargeBlocks> {};

TEST_P(LargeBlockTest, TheStreamIsTheAudioSentWithSilenceOnlyForThePause) {
    const auto [rate, frames, pause] = GetParam();
    application.sampleRate = rate;
    ASSERT_NO_FATAL_FAILURE(StartServer());
    toolkit.PickItem(settings.At(kSampleRateCombo), rate == 48000 ? 1 : 0);
    ASSERT_NO_FATAL_FAILURE(StartStreaming());
    Listener listener;
    listener.Start(server->MountUrl());
    audio = std::make_unique<ToneAudioThread>(application.AudioCallbacks().front(), rate, kToneHz, nullptr, frames);
    std::this_thread::sleep_for(3s);
    audio->Pause(pause);
    std::this_thread::sleep_for(pause + 3s);
    EXPECT_EQ(settings.Status(), "Status: streaming...");
    const int64_t sent = audio->Stop();
    // Silence after the tone, so that the server sends the tone's end on
    // rather than keep it back as the last partial buffer.
    std::this_thread::sleep_for(2s);
    settings.Click();
    ExpectEndedWith("Status: done.");
    EXPECT_TRUE(listener.WaitForEnd(10s));
    const ListenResult heard = listener.StopAndJoin();

    const ToneSpan tone = MeasureTone(heard.left, rate / 50);
    ASSERT_EQ(tone.gaps.size(), pause.count() > 0 ? 1u : 0u) << testing::PrintToString(tone.gaps);
    if (pause.count() > 0) {
        EXPECT_NEAR(static_cast<double>(tone.gaps[0]) / rate, pause.count() / 1000.0, 0.3);
    }
    // Up to a batch staged and part of an encoder frame stay behind at the
    // stop, and the codec's delay trims the tone's ends: an MP3 frame each.
    EXPECT_NEAR(static_cast<double>(tone.length), static_cast<double>(sent), 3 * 1152.0);
}

INSTANTIATE_TEST_SUITE_P(HostBuffers, LargeBlockTest,
                         testing::Values(LargeBlocks{44100, 8192, 3s}, LargeBlocks{48000, 48000, 0s}),
                         [](const auto& info) {
                             return std::to_string(info.param.frames) + "FramesAt" + std::to_string(info.param.rate);
                         });

}  // namespace
}  // namespace skyflume::test
