#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/windows_api.h"

namespace {

TEST(Events, SeveralSetsBeforeOneWaitWakeItOnce) {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    EXPECT_TRUE(SetEvent(event));
    EXPECT_TRUE(SetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 50), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(event));
}

TEST(Events, TimeOutAnswers258) {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 0), 258u);
    EXPECT_EQ(WaitForSingleObject(event, 50), 258u);
    CloseHandle(event);
}

TEST(Events, SignalFromAnotherThreadEndsAnInfiniteWait) {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::thread signaller([event] {
        Sleep(20);
        SetEvent(event);
    });
    EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
    signaller.join();
    CloseHandle(event);
}

TEST(Events, InitiallySignalledAutoResetEventIsConsumedByOneWait) {
    HANDLE event = CreateEventW(nullptr, FALSE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    CloseHandle(event);
}

TEST(Events, ManualResetEventStaysSignalled) {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    SetEvent(event);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
    CloseHandle(event);
}

// Threads that each wait for the event without end and count their wake-up.
std::vector<std::thread> StartWaiters(HANDLE event, int count, std::atomic<int>& woken) {
    std::vector<std::thread> waiters;
    for (int i = 0; i < count; ++i) {
        waiters.emplace_back([event, &woken] {
            if (WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0) ++woken;
        });
    }
    return waiters;
}

TEST(Events, ManualResetEventWakesEveryWaiter) {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters = StartWaiters(event, 3, woken);
    SetEvent(event);
    for (auto& waiter : waiters) waiter.join();
    EXPECT_EQ(woken, 3);
    CloseHandle(event);
}

TEST(Events, AutoResetEventWakesOneWaiterPerSet) {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters = StartWaiters(event, 2, woken);
    SetEvent(event);
    for (int i = 0; i < 5000 && woken == 0; ++i) Sleep(1);
    Sleep(50);
    EXPECT_EQ(woken, 1);
    SetEvent(event);
    for (auto& waiter : waiters) waiter.join();
    EXPECT_EQ(woken, 2);
    CloseHandle(event);
}

// Two threads hand the turn back and forth through two auto-reset events: a
// set that finds its waiter about to sleep must not be lost.
TEST(Events, NoSetIsLostBetweenTwoThreadsTakingTurns) {
    HANDLE ping = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE pong = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    constexpr int kRounds = 20000;
    std::thread partner([&] {
        for (int i = 0; i < kRounds && WaitForSingleObject(ping, 5000) == WAIT_OBJECT_0; ++i) SetEvent(pong);
    });
    int turns = 0;
    while (turns < kRounds && SetEvent(ping) && WaitForSingleObject(pong, 5000) == WAIT_OBJECT_0) ++turns;
    partner.join();
    EXPECT_EQ(turns, kRounds);
    CloseHandle(ping);
    CloseHandle(pong);
}

TEST(Events, NullHandleFails) {
    EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
    EXPECT_FALSE(SetEvent(nullptr));
    EXPECT_FALSE(CloseHandle(nullptr));
}

}  // namespace
