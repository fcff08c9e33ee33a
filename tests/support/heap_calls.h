#pragma once

// Counts the heap allocations that chosen threads make: malloc and its
// relatives, which operator new and FFmpeg's av_malloc come down to. In a
// plain build the test program itself provides malloc and friends (so
// linking this in replaces them for the whole program); under a sanitizer its
// allocator's hooks count instead.

#include <cstdint>

namespace skyflume::test {

// Allocations counted so far, on every thread that counts.
int64_t HeapCalls();

// Counts the calling thread's allocations from now on, until it ends.
void CountHeapCallsOnThisThread();

}  // namespace skyflume::test
