// What the Linux events do beyond Windows' own: no names, and handles that
// any side may implement.

#include <gtest/gtest.h>

#include "platform/windows_api.h"

namespace {

TEST(Events, NamedEventsAreNotSupported) {
    EXPECT_EQ(CreateEventW(nullptr, FALSE, FALSE, WTEXT("Global\\Skyflume")), nullptr);
}

// The functions dispatch through the object's table, whoever made it (the host
// hands out its own objects).
struct ForeignObject final : PlatformObject {
    uint32_t Wait(uint32_t timeoutMs) override {
        lastTimeout = timeoutMs;
        return 0;
    }
    int32_t Signal() override { return ++signals; }
    int32_t Close() override { return ++closes; }
    uint32_t lastTimeout = 0;
    int signals = 0;
    int closes = 0;
};

TEST(Events, HandleFunctionsCallTheObjectsTable) {
    ForeignObject object;
    EXPECT_EQ(WaitForSingleObject(&object, 1234), WAIT_OBJECT_0);
    EXPECT_EQ(object.lastTimeout, 1234u);
    EXPECT_TRUE(SetEvent(&object));
    EXPECT_TRUE(CloseHandle(&object));
    EXPECT_EQ(object.signals, 1);
    EXPECT_EQ(object.closes, 1);
}

}  // namespace
