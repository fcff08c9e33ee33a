#include <gtest/gtest.h>

#include <atomic>

#include "platform/windows_api.h"

namespace {

struct Gates {
    HANDLE start = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE ran = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~Gates() {
        CloseHandle(start);
        CloseHandle(ran);
    }
};

DWORD WaitThenReport(LPVOID parameter) {
    auto* gates = static_cast<Gates*>(parameter);
    WaitForSingleObject(gates->start, INFINITE);
    SetEvent(gates->ran);
    return 0;
}

TEST(Threads, HandleIsSignalledWhenTheRoutineHasReturnedAndStaysSo) {
    Gates gates;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, &WaitThenReport, &gates, 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT);
    SetEvent(gates.start);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(gates.ran, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_FALSE(SetEvent(thread));
    EXPECT_TRUE(CloseHandle(thread));
}

// Run under AddressSanitizer this shows that the thread does not touch the
// object after the handle's holder let go of it.
TEST(Threads, HandleMayBeClosedBeforeTheThreadEnds) {
    Gates gates;
    HANDLE thread = CreateThread(nullptr, 0, &WaitThenReport, &gates, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(CloseHandle(thread));
    SetEvent(gates.start);
    EXPECT_EQ(WaitForSingleObject(gates.ran, INFINITE), WAIT_OBJECT_0);
    Sleep(50);  // gives the thread time to let go of its object while ASan watches
}

DWORD Count(LPVOID parameter) {
    ++*static_cast<std::atomic<int>*>(parameter);
    return 0;
}

TEST(Threads, ManyShortThreadsWithACustomStackSize) {
    std::atomic<int> count{0};
    for (int i = 0; i < 20; ++i) {
        HANDLE thread = CreateThread(nullptr, 256 * 1024, &Count, &count, 0, nullptr);
        ASSERT_NE(thread, nullptr);
        if (i % 2 == 0) {
            EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
        }
        CloseHandle(thread);
    }
    for (int i = 0; i < 5000 && count < 20; ++i) Sleep(1);
    EXPECT_EQ(count, 20);
}

}  // namespace
