#pragma once

// Holds one thread of this process where it is, for a given time, while the
// others go on: what a write stuck on a stalled network does to the thread
// that made it, made certain.

#include <sys/types.h>
#include <chrono>

namespace skyflume::test {

// Sends the thread (a kernel thread id of this process) SIGUSR1, whose
// handler sleeps for `time` on that thread; false if that could not be set up.
bool HoldThread(pid_t thread, std::chrono::seconds time);

}  // namespace skyflume::test
