// The message a plug-in shows with MessageBoxW when the host's toolkit has no
// factory: a real box on Windows. Under Wine without a display it answers at
// once, or after 10 s when the program started within seconds of another one
// that used the desktop, as tests do one after another. A box that waited for
// a user would hold the test, and CI with it, for good.

#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <thread>

#include "support/plugin_fixture.h"

namespace skyflume::test {
namespace {

using namespace std::chrono_literals;

// Runs the action on a thread of its own and waits for it, bounded. A box
// still waiting holds that thread inside the plug-in for good, so nothing
// can be cleaned up: the program ends at once, failing.
void RunBounded(const std::function<void()>& action, std::chrono::seconds bound) {
    std::packaged_task<void()> task(action);
    std::future<void> done = task.get_future();
    std::thread thread(std::move(task));
    if (done.wait_for(bound) != std::future_status::ready) {
        ADD_FAILURE() << "MessageBoxW still waits after " << bound.count() << " s";
        std::_Exit(EXIT_FAILURE);
    }
    thread.join();
}

class WindowMessageTest : public PluginTest {};

TEST_F(WindowMessageTest, WithoutTheFactoryEveryAttemptToOpenShowsTheMessageAndGoesOn) {
    toolkit.SetFactoryAvailable(false);
    Initialize();
    RunBounded([this] { plugin->Activate(); }, 30s);
    RunBounded([this] { application.ClickMenuItem(0); }, 30s);
    EXPECT_TRUE(toolkit.Components().empty());
    EXPECT_EQ(State().windowOpen, 1);
    EXPECT_EQ(toolkit.HeldReferences(), 0);
}

}  // namespace
}  // namespace skyflume::test
