#pragma once

// What the test process holds at one moment, to tell a leak from a cycle
// that gives everything back.

#include <cstdint>

namespace skyflume::test {

struct ProcessResources {
    int openDescriptors = 0;
    int threads = 0;
    int64_t residentKiB = 0;
};

// Read from /proc/self.
ProcessResources CurrentProcessResources();

}  // namespace skyflume::test
