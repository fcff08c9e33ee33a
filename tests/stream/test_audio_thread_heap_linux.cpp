// The audio thread while the worker is held up: a signal holds the worker's
// thread and the audio thread counts its heap calls, both by Linux's means.

#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "stream/end_to_end_fixture.h"
#include "support/heap_calls.h"
#include "support/thread_hold.h"

namespace skyflume::test {
namespace {

using namespace std::chrono_literals;

std::set<pid_t> ThreadsOfThisProcess() {
    std::set<pid_t> threads;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
        threads.insert(static_cast<pid_t>(std::stoi(entry.path().filename().string())));
    }
    return threads;
}

using AudioThreadHeapTest = EndToEndTest;

// What a write stuck on a stalled network does to the worker, made certain:
// a stopped icecast2 on loopback does not hold the worker up, since Linux
// lets the send buffer grow to megabytes. For 5 s the worker takes nothing
// from the input FIFO, which fills; the audio thread must neither allocate
// nor wait meanwhile.
TEST_F(AudioThreadHeapTest, TheAudioThreadAllocatesNothingWhileTheWorkerIsHeldUp) {
    ASSERT_NO_FATAL_FAILURE(StartServer());
    StartAudio(&CountHeapCallsOnThisThread);
    const std::set<pid_t> before = ThreadsOfThisProcess();
    ASSERT_NO_FATAL_FAILURE(StartStreaming());
    std::vector<pid_t> started;
    std::ranges::set_difference(ThreadsOfThisProcess(), before, std::back_inserter(started));
    ASSERT_EQ(started.size(), 1u) << "the worker thread is not the only new one";

    ASSERT_TRUE(HoldThread(started.front(), 5s));
    std::this_thread::sleep_for(5500ms);
    audio.reset();
    EXPECT_EQ(HeapCalls(), 0);
    settings.Click();
    ExpectEndedWith("Status: done.");
}

}  // namespace
}  // namespace skyflume::test
