// The message a plug-in shows with MessageBoxW, read where the Linux platform
// layer writes it: one line on standard error. On Windows it is a real box.

#include "common/stderr_capture.h"
#include "plugin_fixture.h"

namespace {

class WindowMessageTest : public PluginTest {};

TEST_F(WindowMessageTest, WithoutTheFactoryEveryAttemptToOpenShowsTheMessage) {
    toolkit.SetFactoryAvailable(false);
    const std::string message = "Skyflume: Required GUI service not found. Please update your application.\n";
    StderrCapture opening;
    InitializeAndActivate();
    EXPECT_EQ(opening.Text(), message);
    EXPECT_EQ(toolkit.HeldReferences(), 0);

    StderrCapture reopening;
    application.ClickMenuItem(0);
    EXPECT_EQ(reopening.Text(), message);
    EXPECT_TRUE(toolkit.Components().empty());
    EXPECT_EQ(State().windowOpen, 1);
    EXPECT_EQ(toolkit.HeldReferences(), 0);
}

}  // namespace
