#pragma once

// What the test process holds at one moment, to tell a leak from a cycle
// that gives everything back.

#include <cstdint>

namespace skyflume::test {

struct ProcessResources {
    int openDescriptors = 0;
    int threads = 0;
    int64_t residentKiB = 0;
    // The most that was resident at once since the process started, or since
    // the peak was last reset (writing 5 to /proc/self/clear_refs).
    int64_t peakResidentKiB = 0;
};

// Read from /proc/self.
ProcessResources CurrentProcessResources();

}  // namespace skyflume::test
