#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/windows_api.h"

namespace {

TEST(CriticalSection, IsRecursiveAndExcludesOtherThreadsUntilLeftAsOftenAsEntered) {
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    EnterCriticalSection(&section);
    std::atomic<bool> entered{false};
    std::thread other([&] {
        EnterCriticalSection(&section);
        entered = true;
        LeaveCriticalSection(&section);
    });
    LeaveCriticalSection(&section);
    Sleep(50);
    EXPECT_FALSE(entered);
    LeaveCriticalSection(&section);
    other.join();
    EXPECT_TRUE(entered);
    DeleteCriticalSection(&section);
}

TEST(CriticalSection, SerialisesUpdates) {
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    long counter = 0;
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t) {
        workers.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                EnterCriticalSection(&section);
                counter = counter + 1;
                LeaveCriticalSection(&section);
            }
        });
    }
    for (auto& worker : workers) worker.join();
    EXPECT_EQ(counter, 80000);
    DeleteCriticalSection(&section);
}

}  // namespace
