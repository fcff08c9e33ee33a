// The worker's events and the host's stop event, against a stream run set up
// by hand: the lock, the wake event and a stand-in worker thread exist as
// after a start, and the test posts what the worker would.

#include <atomic>
#include <functional>
#include <tuple>

#include "stream/stream_control_fixture.h"

namespace skyflume::test {
namespace {

// Stands in for the worker thread: waits for a wake (bounded), then ends.
struct StandInWorker {
    HANDLE wakeEvent = nullptr;
    bool waitsForWake = false;
    std::atomic<bool> woken{false};
    std::atomic<bool> ended{false};

    static DWORD Body(LPVOID parameter) {
        auto* self = static_cast<StandInWorker*>(parameter);
        if (self->waitsForWake) {
            self->woken = WaitForSingleObject(self->wakeEvent, 10000) == WAIT_OBJECT_0;
        }
        self->ended = true;
        return 0;
    }
};

class StreamEventsTest : public StreamControlTest {
protected:
    // The per-stream objects, and the controls' state as a start leaves it.
    void BeginRun(bool waitsForWake) {
        ASSERT_TRUE(Worker().OpenRunObjects());
        Worker().runEnded = false;
        standIn.wakeEvent = Worker().wakeEvent;
        standIn.waitsForWake = waitsForWake;
        Worker().threadHandle = CreateThread(nullptr, 0, StandInWorker::Body, &standIn, 0, nullptr);
        Worker().stopRequested = false;
        for (const Control control : kInputControls) {
            settings.At(control).enabled = false;
        }
        settings.At(kStreamButton).enabled = false;
        settings.Window().closable = 0;
    }
    // What the worker does once it has connected.
    void Connect() {
        Worker().streaming = true;
        object->OnEvent(kEventStreamStarted, 0, 0);
    }
    void ExpectIdleWith(const std::string& status) {
        settings.ExpectIdleWith(status);
        EXPECT_FALSE(Worker().streaming);
        EXPECT_EQ(Worker().threadHandle, nullptr);
        EXPECT_EQ(Worker().wakeEvent, nullptr);
    }
    // The run's end as the worker reports it, after its thread is done.
    void EndRun(int32_t status) {
        SetEvent(standIn.wakeEvent);
        WaitForSingleObject(Worker().threadHandle, INFINITE);
        Worker().endStatus = status;
        Worker().runEnded = true;
        object->OnEvent(kEventStreamEnded, status, 0);
    }

    StandInWorker standIn;
};

TEST_F(StreamEventsTest, StreamStartedEnablesStopAndShowsStreaming) {
    BeginRun(false);
    Connect();
    EXPECT_EQ(settings.ButtonCaption(), "Stop");
    EXPECT_TRUE(settings.ButtonEnabled());
    EXPECT_EQ(settings.Status(), "Status: streaming...");
    EXPECT_EQ(settings.EnabledInputs(), 0);
    EXPECT_FALSE(settings.Closable());
    EndRun(0);
}

TEST_F(StreamEventsTest, StreamEndedReleasesTheRunAndShowsTheStatusText) {
    const std::pair<int32_t, std::string> cases[] = {
        {0, "Status: done."},
        {1, "Status: stream create error."},
        {9, "Status: stream write error."},
        {5, "Status: internal error 5"},
        {2, "Status: internal error 2"},
        {10, "Status: internal error 10"},
        {-7, "Status: internal error -7"},
    };
    for (const auto& [status, text] : cases) {
        BeginRun(false);
        Connect();
        EndRun(status);
        ExpectIdleWith(text);
    }
}

TEST_F(StreamEventsTest, StreamEndedWithTheWindowClosedReleasesTheRunAndTouchesNoControl) {
    BeginRun(false);
    Connect();
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

    EndRun(0);
    EXPECT_EQ(snapshot(), before);
    EXPECT_FALSE(Worker().streaming);
    EXPECT_EQ(Worker().threadHandle, nullptr);
}

TEST_F(StreamEventsTest, AStopWakesTheWorkerWaitsForItsEndAndLeavesTheRestToStreamEnded) {
    const std::function<void()> stops[] = {
        [this] { settings.Click(); },
        [this] { object->OnEvent(kEventHostStop, 0, 0); },
    };
    for (const auto& stop : stops) {
        BeginRun(true);
        Connect();
        stop();
        EXPECT_TRUE(standIn.ended);
        EXPECT_TRUE(standIn.woken);
        EXPECT_TRUE(Worker().stopRequested);
        // Stopping: the button is grey and the text waits for the worker's report.
        EXPECT_FALSE(settings.ButtonEnabled());
        EXPECT_EQ(settings.ButtonCaption(), "Stop");
        EXPECT_EQ(settings.Status(), "Status: streaming...");
        EndRun(0);
        ExpectIdleWith("Status: done.");
    }
}

TEST_F(StreamEventsTest, HostStopWhileIdleDoesNothingAndWhileConnectingEndsTheAttempt) {
    object->OnEvent(kEventHostStop, 0, 0);
    EXPECT_FALSE(Worker().stopRequested);
    EXPECT_TRUE(settings.ButtonEnabled());
    EXPECT_EQ(settings.Status(), "Status: ok");

    BeginRun(true);
    object->OnEvent(kEventHostStop, 0, 0);
    EXPECT_TRUE(standIn.woken);
    EXPECT_TRUE(standIn.ended);
    EXPECT_TRUE(Worker().stopRequested);
    EXPECT_TRUE(application.Messages().empty());
    EndRun(1);
    ExpectIdleWith("Status: stream create error.");
}

// An end event that is not the current run's own: one that comes while the
// run still connects, and a duplicate of the one that ended it.
TEST_F(StreamEventsTest, AStrayOrDuplicateStreamEndedChangesNothing) {
    BeginRun(true);
    object->OnEvent(kEventStreamEnded, 5, 0);
    EXPECT_EQ(settings.Status(), "Status: ok");
    EXPECT_FALSE(settings.ButtonEnabled());
    EXPECT_EQ(settings.EnabledInputs(), 0);
    EXPECT_NE(Worker().threadHandle, nullptr);
    EXPECT_NE(Worker().wakeEvent, nullptr);
    EXPECT_FALSE(standIn.ended);

    EndRun(1);
    ExpectIdleWith("Status: stream create error.");
    object->OnEvent(kEventStreamEnded, 0, 0);
    ExpectIdleWith("Status: stream create error.");
}

// The listener is gone, so the run's last event may never come: the run is
// closed at once, and its event, should it come after all, is ignored.
TEST_F(StreamEventsTest, DeactivationEndsAWorkerThatIsStillConnectingAndClosesTheRun) {
    BeginRun(true);
    object->Deactivate();
    EXPECT_TRUE(standIn.ended);
    EXPECT_TRUE(standIn.woken);
    EXPECT_TRUE(application.AudioCallbacks().empty());
    EXPECT_TRUE(application.EventListeners().empty());
    EXPECT_EQ(Worker().threadHandle, nullptr);
    EXPECT_EQ(Worker().wakeEvent, nullptr);

    object->OnEvent(kEventStreamEnded, 1, 0);
    EXPECT_EQ(Worker().threadHandle, nullptr);
    EXPECT_FALSE(Worker().streaming);
}

TEST_F(StreamEventsTest, ActivationRegistersTheAudioCallbackAndTheEventListener) {
    EXPECT_EQ(application.AudioCallbacks(), std::vector<SXAudioCallback*>{static_cast<SXAudioCallback*>(object)});
    EXPECT_EQ(application.EventListeners(), std::vector<SXEventListener*>{static_cast<SXEventListener*>(object)});
}

}  // namespace
}  // namespace skyflume::test
