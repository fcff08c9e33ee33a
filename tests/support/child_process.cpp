#include "support/child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <thread>

extern char** environ;

namespace skyflume::test {

ChildProcess::~ChildProcess() {
    Terminate();
}

bool ChildProcess::Spawn(const std::vector<std::string>& argv, const std::string& outputPath,
                         const std::string& inputPath) {
    if (childPid > 0 || argv.empty()) return false;
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    // posix_spawn rather than fork+exec: tests are multi-threaded, and spawn
    // keeps the child free of anything but the listed file actions.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, inputPath.c_str(), O_RDONLY, 0);
    if (!outputPath.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    }
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    childPid = pid;
    exitStatus.reset();
    return true;
}

bool ChildProcess::Running() {
    if (childPid <= 0) return false;
    return !WaitFor(std::chrono::milliseconds(0)).has_value();
}

std::optional<int> ChildProcess::WaitFor(std::chrono::milliseconds timeout) {
    if (childPid <= 0) return exitStatus;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = waitpid(childPid, &status, WNOHANG);
        if (r == childPid || (r < 0 && errno != EINTR)) {
            exitStatus = r == childPid ? status : -1;
            childPid = -1;
            return exitStatus;
        }
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::optional<int> ChildProcess::Terminate(std::chrono::milliseconds grace) {
    if (childPid <= 0) return exitStatus;
    kill(childPid, SIGTERM);
    if (auto status = WaitFor(grace)) return status;
    Kill();
    return exitStatus;
}

void ChildProcess::Kill() {
    if (childPid <= 0) return;
    kill(childPid, SIGKILL);
    // SIGKILL cannot be ignored; the bound only guards against a stuck kernel.
    WaitFor(std::chrono::seconds(10));
}

}  // namespace skyflume::test
