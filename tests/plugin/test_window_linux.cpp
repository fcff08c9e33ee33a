// The message a plug-in shows with MessageBoxW, read where the Linux platform
// layer writes it: one line on standard error. On Windows it is a real box.

#include "plugin_fixture.h"

namespace {

class WindowMessageTest : public PluginTest {};

TEST_F(WindowMessageTest, WithoutTheFactoryEveryAttemptToOpenShowsTheMessage) {
    toolkit.SetFactoryAvailable(false);
    const std::string message = "Skyflume: Required GUI service not found. Please update your application.\n";
    testing::internal::CaptureStderr();
    InitializeAndActivate();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), message);
    EXPECT_EQ(toolkit.HeldReferences(), 0);

    testing::internal::CaptureStderr();
    application.ClickMenuItem(0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), message);
    EXPECT_TRUE(toolkit.Components().empty());
    EXPECT_EQ(State().windowOpen, 1);
    EXPECT_EQ(toolkit.HeldReferences(), 0);
}

}  // namespace
