#pragma once

// A child process started by a test and reaped by its pid. Only the pid this
// object spawned is ever signalled.

#include <sys/types.h>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/non_copyable.h"

namespace skyflume::test {

class ChildProcess : NonCopyable {
public:
    ChildProcess() = default;
    ~ChildProcess();

    // argv[0] is the program path. stdout and stderr go to outputPath
    // (created or truncated), or stay this process's own when it is empty;
    // stdin reads inputPath. Returns false if the process could not be spawned.
    bool Spawn(const std::vector<std::string>& argv, const std::string& outputPath,
               const std::string& inputPath = "/dev/null");

    pid_t Pid() const { return childPid; }
    bool Running();

    // Waits up to timeout for the child to exit; returns its raw wait status.
    std::optional<int> WaitFor(std::chrono::milliseconds timeout);

    // SIGTERM, a bounded wait, then SIGKILL. Returns the wait status if the
    // child had to be reaped here.
    std::optional<int> Terminate(std::chrono::milliseconds grace = std::chrono::seconds(5));

    // SIGKILL at once, then reap.
    void Kill();

    // Wait status once the child has been reaped.
    std::optional<int> ExitStatus() const { return exitStatus; }

private:
    pid_t childPid = -1;
    std::optional<int> exitStatus;
};

}  // namespace skyflume::test
