#pragma once

// What the test process holds at one moment, to tell a leak from a cycle
// that gives everything back.

#include <cstdint>

namespace skyflume::test {

struct ProcessResources {
    // Open file descriptors on Linux, kernel handles on Windows.
    int openHandles = 0;
    int threads = 0;
    // Resident memory on Linux; on Windows the committed memory that belongs
    // to the process alone (private bytes).
    int64_t memoryKiB = 0;
    // Linux only (0 on Windows): the most that was resident at once since the
    // process started, or since the peak was last reset (writing 5 to
    // /proc/self/clear_refs).
    int64_t peakResidentKiB = 0;
};

ProcessResources CurrentProcessResources();

}  // namespace skyflume::test
