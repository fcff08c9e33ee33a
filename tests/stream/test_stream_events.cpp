// The worker's events and the host's stop event, as the plug-in meets them in
// runs that a click on Stream starts: streaming to a real icecast2,
// connecting to a server that never answers, or refused at once.

#include <functional>
#include <tuple>

#include "stream/stream_control_fixture.h"

namespace skyflume::test {
namespace {

class StreamEventsTest : public StreamControlTest {
protected:
    void ExpectIdleWith(const std::string& status) {
        settings.ExpectIdleWith(status);
        EXPECT_FALSE(Worker().Streaming());
        EXPECT_FALSE(Worker().Exists());
    }
    // The run's thread has ended, and its last event waits to be handled.
    void ExpectEndedAndWaiting() {
        EXPECT_TRUE(Worker().Stopping());
        EXPECT_TRUE(Worker().Ended());
        EXPECT_TRUE(Worker().Exists());
    }
};

TEST_F(StreamEventsTest, StreamStartedEnablesStopAndShowsStreaming) {
    IcecastServer server;
    ASSERT_NO_FATAL_FAILURE(StartStreaming(server));
    EXPECT_TRUE(Worker().Streaming());
    EXPECT_EQ(settings.ButtonCaption(), "Stop");
    EXPECT_TRUE(settings.ButtonEnabled());
    EXPECT_EQ(settings.Status(), "Status: streaming...");
    EXPECT_EQ(settings.EnabledInputs(), 0);
    EXPECT_FALSE(settings.Closable());
}

TEST_F(StreamEventsTest, StreamEndedReleasesTheRunAndShowsTheStatusText) {
    const FakeServer refusing(FakeServer::Kind::Closed);
    silent.emplace(FakeServer::Kind::Silent);
    const std::tuple<uint16_t, std::function<void()>, std::string> cases[] = {
        {refusing.Port(), [] {}, "Status: stream create error."},
        {silent->Port(), [this] { object->OnEvent(kEventHostStop, 0, 0); }, "Status: done."},
    };
    for (const auto& [port, act, text] : cases) {
        settings.TypeServer(port, "/stream", "admin", "tovrz");
        settings.Click();
        act();
        ASSERT_TRUE(application.WaitForEvent(kEventStreamEnded, kEventTimeout));
        ExpectIdleWith(text);
    }
}

TEST_F(StreamEventsTest, StreamEndedWithTheWindowClosedReleasesTheRunAndTouchesNoControl) {
    StartConnecting();
    settings.Window().closable = 1;
    toolkit.RequestClose(settings.Window());
    ASSERT_EQ(toolkit.OpenWindow(), nullptr);
    const auto snapshot = [this] {
        std::vector<std::tuple<HostText, bool, int32_t>> records;
        for (const auto& record : toolkit.Components()) {
            records.emplace_back(record->text, record->enabled, record->closable);
        }
        return records;
    };
    const auto before = snapshot();

    object->OnEvent(kEventHostStop, 0, 0);
    ASSERT_TRUE(application.WaitForEvent(kEventStreamEnded, kEventTimeout));
    EXPECT_EQ(snapshot(), before);
    EXPECT_FALSE(Worker().Streaming());
    EXPECT_FALSE(Worker().Exists());
}

TEST_F(StreamEventsTest, AStopWakesTheWorkerWaitsForItsEndAndLeavesTheRestToStreamEnded) {
    IcecastServer server;
    ASSERT_TRUE(server.Start()) << server.LastError();
    settings.TypeServer(server.Port(), "/stream", "admin", "tovrz");
    const std::function<void()> stops[] = {
        [this] { settings.Click(); },
        [this] { object->OnEvent(kEventHostStop, 0, 0); },
    };
    for (const auto& stop : stops) {
        settings.Click();
        ASSERT_TRUE(application.WaitForEvent(kEventStreamStarted, kEventTimeout));
        stop();
        ExpectEndedAndWaiting();
        // Stopping: the button is grey and the text waits for the worker's report.
        EXPECT_FALSE(settings.ButtonEnabled());
        EXPECT_EQ(settings.ButtonCaption(), "Stop");
        EXPECT_EQ(settings.Status(), "Status: streaming...");
        ASSERT_TRUE(application.WaitForEvent(kEventStreamEnded, kEventTimeout));
        ExpectIdleWith("Status: done.");
        // The mount stays taken a moment after its source has gone.
        ASSERT_TRUE(server.SourceGone());
    }
}

TEST_F(StreamEventsTest, HostStopWhileIdleDoesNothingAndWhileConnectingEndsTheAttempt) {
    object->OnEvent(kEventHostStop, 0, 0);
    EXPECT_FALSE(Worker().Stopping());
    EXPECT_TRUE(settings.ButtonEnabled());
    EXPECT_EQ(settings.Status(), "Status: ok");

    StartConnecting();
    object->OnEvent(kEventHostStop, 0, 0);
    ExpectEndedAndWaiting();
    EXPECT_TRUE(application.Messages().empty());
    ASSERT_TRUE(application.WaitForEvent(kEventStreamEnded, kEventTimeout));
    ExpectIdleWith("Status: done.");
}

// An end event that is not the current run's own: one that comes while the
// run still connects, and a duplicate of the one that ended it.
TEST_F(StreamEventsTest, AStrayOrDuplicateStreamEndedChangesNothing) {
    StartConnecting();
    object->OnEvent(kEventStreamEnded, 5, 0);
    settings.ExpectConnecting();
    EXPECT_TRUE(Worker().Exists());
    EXPECT_FALSE(Worker().Ended());

    object->OnEvent(kEventHostStop, 0, 0);
    ASSERT_TRUE(application.WaitForEvent(kEventStreamEnded, kEventTimeout));
    ExpectIdleWith("Status: done.");
    object->OnEvent(kEventStreamEnded, 1, 0);
    ExpectIdleWith("Status: done.");
}

// The listener is gone, so the run's last event may never come: the run is
// closed at once, and its event, should it come after all, is ignored.
TEST_F(StreamEventsTest, DeactivationEndsAWorkerThatIsStillConnectingAndClosesTheRun) {
    StartConnecting();
    object->Deactivate();
    EXPECT_TRUE(Worker().Ended());
    EXPECT_TRUE(application.AudioCallbacks().empty());
    EXPECT_TRUE(application.EventListeners().empty());
    EXPECT_FALSE(Worker().Exists());

    object->OnEvent(kEventStreamEnded, 1, 0);
    EXPECT_FALSE(Worker().Exists());
    EXPECT_FALSE(Worker().Streaming());
}

TEST_F(StreamEventsTest, ActivationRegistersTheAudioCallbackAndTheEventListener) {
    EXPECT_EQ(application.AudioCallbacks(), std::vector<SXAudioCallback*>{static_cast<SXAudioCallback*>(object)});
    EXPECT_EQ(application.EventListeners(), std::vector<SXEventListener*>{static_cast<SXEventListener*>(object)});
}

}  // namespace
}  // namespace skyflume::test
