// A stream run's lifetime across the GUI thread, the host's audio thread and
// a real worker, when the host or the user does the unexpected: an audio call
// that stalls after its admission, a Stream click while a worker still
// exists, a host that makes no thread, and stops while connecting.

#include <atomic>
#include <thread>

#include "stream/stream_control_fixture.h"
#include "support/tone_audio_thread.h"

namespace skyflume::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Far below the 3 s network time-out that an attempt would otherwise wait out.
constexpr auto kPromptStop = 1s;

// Polls until the condition holds; false if it still does not after 5 s.
template <class Condition>
bool Eventually(Condition condition) {
    for (int i = 0; i < 500 && !condition(); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    return condition();
}

using StreamLifetimeTest = StreamControlTest;

// A call held after its admission: it waits for the capture buffer's lock,
// which a stand-in for the worker keeps for a while.
TEST_F(StreamLifetimeTest, AnAudioCallHeldAfterItsAdmissionKeepsItsBuffersUntilItReturns) {
    ASSERT_NO_FATAL_FAILURE(StartStreaming());

    // Full planes of one MP3 frame, which the next call's first frame pushes.
    constexpr int32_t kMp3Frame = 1152;
    const std::vector<float> frames(2 * static_cast<size_t>(kMp3Frame), 0.25f);
    object->OnAudio(nullptr, frames.data(), kMp3Frame);
    CaptureBuffer& capture = Worker().Capture();
    std::atomic<bool> locked{false};
    std::thread holder([&] {
        const CaptureBuffer::Locked held = capture.Lock();
        locked = true;
        std::this_thread::sleep_for(500ms);
    });
    ASSERT_TRUE(Eventually([&] { return locked.load(); }));
    std::atomic<bool> returned{false};
    std::thread audio([&] {
        object->OnAudio(nullptr, frames.data(), 1);
        returned = true;
    });
    ASSERT_TRUE(Eventually([&] { return capture.CallsInFlight() == 1; }));
    EXPECT_FALSE(returned);

    // Returns once the worker thread has ended, which it may only do after
    // the held call has pushed and left.
    settings.Click();
    EXPECT_TRUE(returned);
    EXPECT_EQ(capture.CallsInFlight(), 0);
    audio.join();
    holder.join();
    ExpectEndedWith("Status: done.");
}

TEST_F(StreamLifetimeTest, AStreamClickWhileAWorkerStillExistsStartsNoSecondRun) {
    StartConnecting();
    const std::string url = Worker().Parameters()->url;

    // The host closes the window although it asked not to be closed, and the
    // user opens it again from the menu: it shows the run that goes on.
    toolkit.RequestClose(settings.Window());
    application.ClickMenuItem(0);
    settings.ExpectConnecting();

    // A toolkit that passes the click on all the same.
    object->OnButtonClicked(static_cast<TButton*>(settings.At(kStreamButton).object));
    EXPECT_EQ(application.ThreadsStarted(), 1);
    EXPECT_EQ(Worker().Parameters()->url, url);
    EXPECT_TRUE(Worker().Exists());
    EXPECT_FALSE(Worker().Stopping());
}

TEST_F(StreamLifetimeTest, AHostThatMakesNoThreadLeavesTheControlIdleWithAnInternalError) {
    application.threadsAvailable = false;
    settings.Click();
    ExpectIdleWith("Status: internal error 13");
    EXPECT_EQ(Worker().Parameters(), nullptr);

    // Nothing of it stands in the way of the next start.
    application.threadsAvailable = true;
    FakeServer refusing(FakeServer::Kind::Closed);
    ClickStream(refusing.Port());
    ExpectEndedWith("Status: stream create error.");
}

// A server that accepts and never answers holds an attempt for the 3 s
// network time-out unless the stop reaches into it.
TEST_F(StreamLifetimeTest, AHostStopOrADeactivationWhileConnectingEndsTheAttemptPromptly) {
    StartConnecting();
    auto start = Clock::now();
    object->OnEvent(kEventHostStop, 0, 0);
    EXPECT_LT(Clock::now() - start, kPromptStop);
    ExpectEndedWith("Status: done.");

    settings.Click();
    ASSERT_EQ(settings.Status(), "Status: connecting...");
    start = Clock::now();
    object->Deactivate();
    EXPECT_LT(Clock::now() - start, kPromptStop);
    EXPECT_FALSE(Worker().Exists());
}

// A host closing in a hurry, which holds no reference on the worker's body:
// it lets the plug-in go, unloaded or with its window closed, without
// deactivating it, while the stream runs and its audio thread calls.
class HurriedHostTest : public StreamLifetimeTest, public testing::WithParamInterface<bool> {};

TEST_P(HurriedHostTest, TheRunEndsBeforeAnythingItUsesGoes) {
    application.holdBodies = false;
    ASSERT_NO_FATAL_FAILURE(StartStreaming());
    auto audio = std::make_unique<ToneAudioThread>(object, 44100, 1000.0);
    const ComponentRecord& window = settings.Window();
    if (GetParam()) {
        plugin->Unload(1);
        EXPECT_TRUE(application.MenuItems().empty() && !window.Alive());
    } else {
        toolkit.RequestClose(settings.Window());
    }
    audio.reset();
    plugin->Release();
    application.DeliverEvents();
    EXPECT_EQ(destroyed, 1);
    EXPECT_TRUE(server->SourceGone());
}

INSTANTIATE_TEST_SUITE_P(UnloadedFirst, HurriedHostTest, testing::Bool());

}  // namespace
}  // namespace skyflume::test
