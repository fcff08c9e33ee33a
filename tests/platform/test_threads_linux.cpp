// Linux refuses a thread without a routine; Windows would start it and crash.

#include <gtest/gtest.h>

#include "platform/windows_api.h"

namespace {

TEST(Threads, NoRoutineNoThread) {
    EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
}

}  // namespace
