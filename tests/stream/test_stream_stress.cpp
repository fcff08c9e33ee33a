// The module under load, as a station uses it: many stream runs one after
// the other with the audio thread running, and stops that come while a run
// is still connecting, after which the process must hold what it held before.

#include <string>
#include <thread>

#include "stream/end_to_end_fixture.h"
#include "support/fake_server.h"
#include "support/process_resources.h"

namespace skyflume::test {
namespace {

using namespace std::chrono_literals;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizers keep freed memory aside, so the process's memory says nothing.
constexpr bool kMemoryMeasurable = false;
#else
constexpr bool kMemoryMeasurable = true;
#endif
// Room for what the C library keeps for reuse (thread stacks, allocator
// arenas); one run's encoder and buffers left behind per cycle would be
// hundreds of MiB over a thousand cycles.
constexpr int64_t kMemoryToleranceKiB = 16 * 1024;

class StreamStressTest : public EndToEndTest {
protected:
    // Stream on a mount of its own (icecast2 keeps a mount taken a moment
    // after its source left), then Stop.
    bool StreamAndStop(int cycle) {
        settings.TypeServer(server->Port(), "/cycle" + std::to_string(cycle), "source",
                            server->Options().generalSourcePassword);
        settings.Click();
        if (!application.WaitForEvent(kEventStreamStarted, kEventTimeout)) {
            ADD_FAILURE() << "cycle " << cycle << ": no stream; " << settings.Status();
            return false;
        }
        settings.Click();
        if (!application.WaitForEvent(kEventStreamEnded, kEventTimeout) || settings.Status() != "Status: done.") {
            ADD_FAILURE() << "cycle " << cycle << ": " << settings.Status();
            return false;
        }
        return true;
    }
    // Once every worker thread is gone: a thread that has let go of its
    // body may take a moment to end.
    ProcessResources SettledResources() {
        EXPECT_TRUE(application.WaitForThreads(kEventTimeout));
        ProcessResources last = CurrentProcessResources();
        for (int i = 0, steady = 0; i < 100 && steady < 5; ++i) {
            std::this_thread::sleep_for(20ms);
            const ProcessResources now = CurrentProcessResources();
            steady = now.threads == last.threads ? steady + 1 : 0;
            last = now;
        }
        return last;
    }
    // Runs the cycles, each answering whether it came and went as it should;
    // the ones after the warm-up (the libraries set themselves up on first
    // use) must give back all they took.
    template <class Cycle>
    void ExpectCyclesGiveBackEverything(int warmUp, int cycles, Cycle cycle) {
        for (int i = 0; i < warmUp; ++i) {
            ASSERT_TRUE(cycle(i));
        }
        const ProcessResources before = SettledResources();
        for (int i = warmUp; i < cycles; ++i) {
            ASSERT_TRUE(cycle(i));
        }
        const ProcessResources after = SettledResources();
        EXPECT_EQ(after.openHandles, before.openHandles);
        EXPECT_EQ(after.threads, before.threads);
        if (kMemoryMeasurable) {
            EXPECT_LE(after.memoryKiB - before.memoryKiB, kMemoryToleranceKiB);
        }
    }
};

// SKYFLUME_STREAM_STOP_CYCLES in all, the warm-up included.
TEST_F(StreamStressTest, StreamStopCyclesWithTheAudioRunningGiveBackEverything) {
    ASSERT_NO_FATAL_FAILURE(StartServer());
    StartAudio();
    ExpectCyclesGiveBackEverything(20, SKYFLUME_STREAM_STOP_CYCLES, [&](int cycle) { return StreamAndStop(cycle); });
}

// Each start is ended at once, while it connects: by the host's stop event or
// by deactivation, against a server that answers and one that never does.
TEST_F(StreamStressTest, TwoHundredStartsStoppedWhileConnectingGiveBackEverything) {
    ASSERT_NO_FATAL_FAILURE(StartServer());
    FakeServer silent(FakeServer::Kind::Silent);
    StartAudio();
    ExpectCyclesGiveBackEverything(8, 200, [&](int cycle) {
        if (cycle % 2 == 0) {
            settings.TypeServer(server->Port(), "/connect" + std::to_string(cycle), "source",
                                server->Options().generalSourcePassword);
        } else {
            settings.TypeServer(silent.Port(), "/stream", "admin", "tovrz");
        }
        settings.Click();
        EXPECT_EQ(settings.Status(), "Status: connecting...") << "cycle " << cycle;
        if (cycle % 4 < 2) {
            application.SendHostEvent(kEventHostStop);
            EXPECT_TRUE(application.WaitForEvent(kEventStreamEnded, kEventTimeout)) << "cycle " << cycle;
        } else {
            // The audio thread keeps calling the plug-in it was handed.
            plugin->Deactivate();
            application.DeliverEvents();
            plugin->Activate();
            EXPECT_NE(toolkit.OpenWindow(), nullptr) << "cycle " << cycle;
        }
        return !HasFailure() && settings.ButtonCaption() == "Stream";
    });
}

}  // namespace
}  // namespace skyflume::test
