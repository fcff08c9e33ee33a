// The recording host's threads and events, which the stream control relies
// on: Run on a thread of its own, events posted there run on the test's thread.

#include <thread>

#include "support/plugin_fixture.h"

namespace skyflume::test {
namespace {

// Posts one event from its thread and notes where OnEvent ran.
class Poster final : public SXThread, public SXEventListener {
public:
    explicit Poster(SXApplication& application) : application(application) {}

    int32_t QueryInterface(const GUID*, void**) override { return kENoInterface; }
    int32_t AddRef() override { return 1; }
    int32_t Release() override { return 1; }

    int32_t Run() override {
        runThread = std::this_thread::get_id();
        application.PostEvent(this, kEventStreamEnded, 5, 0);
        return 0;
    }
    void OnEvent(int32_t id, int32_t param, intptr_t) override {
        eventThread = std::this_thread::get_id();
        received = id * 100 + param;
    }

    SXApplication& application;
    std::thread::id runThread;
    std::thread::id eventThread;
    int32_t received = 0;
};

TEST(RecordingHostTest, RunsTheBodyOnItsOwnThreadAndDeliversItsEventOnTheCallersThread) {
    RecordingApplication application;
    Poster poster(application);
    HANDLE thread = nullptr;
    ASSERT_EQ(application.StartThread(0, &thread, &poster), 0);
    ASSERT_NE(thread, nullptr);

    ASSERT_TRUE(application.WaitForEvent(kEventStreamEnded, std::chrono::seconds(30)));
    EXPECT_EQ(poster.received, kEventStreamEnded * 100 + 5);
    EXPECT_EQ(poster.eventThread, std::this_thread::get_id());
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_NE(poster.runThread, std::this_thread::get_id());
    CloseHandle(thread);
    EXPECT_EQ(application.DeliverEvents(), 0u);
}

}  // namespace
}  // namespace skyflume::test
