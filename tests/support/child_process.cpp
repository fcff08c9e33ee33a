#include "support/child_process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace skyflume::test {

ChildProcess::~ChildProcess() { Terminate(); }

bool ChildProcess::Spawn(const std::vector<std::string>& argv, const std::string& outputPath) {
    if (pid_ > 0 || argv.empty()) return false;
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    // posix_spawn rather than fork+exec: tests are multi-threaded, and spawn
    // keeps the child free of anything but the listed file actions.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (!outputPath.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    }
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    pid_ = pid;
    status_.reset();
    return true;
}

bool ChildProcess::Running() {
    if (pid_ <= 0) return false;
    return !WaitFor(std::chrono::milliseconds(0)).has_value();
}

std::optional<int> ChildProcess::WaitFor(std::chrono::milliseconds timeout) {
    if (pid_ <= 0) return status_;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_ || (r < 0 && errno != EINTR)) {
            status_ = r == pid_ ? status : -1;
            pid_ = -1;
            return status_;
        }
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::optional<int> ChildProcess::Terminate(std::chrono::milliseconds grace) {
    if (pid_ <= 0) return status_;
    kill(pid_, SIGTERM);
    if (auto status = WaitFor(grace)) return status;
    Kill();
    return status_;
}

void ChildProcess::Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    // SIGKILL cannot be ignored; the bound only guards against a stuck kernel.
    WaitFor(std::chrono::seconds(10));
}

}  // namespace skyflume::test
