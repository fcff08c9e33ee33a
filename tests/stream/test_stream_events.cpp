// The worker's events and the host's stop event, as the plug-in meets them in
// runs that a click on Stream starts: streaming to a real icecast2,
// connecting to a server that never answers, or refused at once.

#include <string>
#include <tuple>

#include "stream/stream_control_fixture.h"

namespace skyflume::test {
namespace {

using namespace std::string_literals;

class StreamEventsTest : public StreamControlTest {
protected:
    // The run's thread has ended, and its last event waits to be handled.
    void ExpectEndedAndWaiting() {
        EXPECT_TRUE(Worker().Stopping());
        EXPECT_TRUE(Worker().Ended());
        EXPECT_TRUE(Worker().Exists());
    }
};

TEST_F(StreamEventsTest, StreamStartedEnablesStopAndShowsStreaming) {
    ASSERT_NO_FATAL_FAILURE(StartStreaming());
    EXPECT_TRUE(Worker().Streaming());
    EXPECT_EQ(settings.ButtonCaption(), "Stop");
    EXPECT_TRUE(settings.ButtonEnabled());
    EXPECT_EQ(settings.Status(), "Status: streaming...");
    EXPECT_EQ(settings.EnabledInputs(), 0);
    EXPECT_FALSE(settings.Closable());
}

// A run that the server refuses at once ends by itself; one towards a server
// that never answers ends on the host's stop.
class StreamEndedTest : public StreamEventsTest,
                        public testing::WithParamInterface<std::pair<FakeServer::Kind, std::string>> {};

TEST_P(StreamEndedTest, ReleasesTheRunAndShowsTheStatusText) {
    const auto& [kind, status] = GetParam();
    const FakeServer server(kind);
    ClickStream(server.Port());
    if (kind == FakeServer::Kind::Silent) {
        object->OnEvent(kEventHostStop, 0, 0);
    }
    ExpectEndedWith(status);
}

INSTANTIATE_TEST_SUITE_P(StreamEvents, StreamEndedTest,
                         testing::Values(std::pair{FakeServer::Kind::Closed, "Status: stream create error."s},
                                         std::pair{FakeServer::Kind::Silent, "Status: done."s}));

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

// Stopped by a click on Stop, or by the host's stop event.
class StopTest : public StreamEventsTest, public testing::WithParamInterface<bool> {};

TEST_P(StopTest, AStopWakesTheWorkerWaitsForItsEndAndLeavesTheRestToStreamEnded) {
    ASSERT_NO_FATAL_FAILURE(StartStreaming());
    if (GetParam()) {
        settings.Click();
    } else {
        object->OnEvent(kEventHostStop, 0, 0);
    }
    ExpectEndedAndWaiting();
    // Stopping: the button is grey and the text waits for the worker's report.
    EXPECT_FALSE(settings.ButtonEnabled());
    EXPECT_EQ(settings.ButtonCaption(), "Stop");
    EXPECT_EQ(settings.Status(), "Status: streaming...");
    ExpectEndedWith("Status: done.");
    EXPECT_TRUE(server->SourceGone());
}

INSTANTIATE_TEST_SUITE_P(ByClickOrHostStop, StopTest, testing::Bool());

TEST_F(StreamEventsTest, HostStopWhileIdleDoesNothingAndWhileConnectingEndsTheAttempt) {
    object->OnEvent(kEventHostStop, 0, 0);
    EXPECT_FALSE(Worker().Stopping());
    EXPECT_TRUE(settings.ButtonEnabled());
    EXPECT_EQ(settings.Status(), "Status: ok");

    StartConnecting();
    object->OnEvent(kEventHostStop, 0, 0);
    ExpectEndedAndWaiting();
    EXPECT_TRUE(application.Messages().empty());
    ExpectEndedWith("Status: done.");
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
    ExpectEndedWith("Status: done.");
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
