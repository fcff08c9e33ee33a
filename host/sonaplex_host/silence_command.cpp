#include "host/sonaplex_host/silence_command.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

std::string SilenceCommand::Start(const std::map<std::string, std::string>& details) {
    std::vector<std::string> entries;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string entry = *variable;
        if (!details.contains(entry.substr(0, entry.find('=')))) {
            entries.push_back(entry);
        }
    }
    for (const auto& [name, value] : details) {
        entries.push_back(name + "=" + value);
    }
    std::vector<char*> environment;
    for (std::string& entry : entries) {
        environment.push_back(entry.data());
    }
    environment.push_back(nullptr);
    std::string shell = "/bin/sh";
    std::string option = "-c";
    std::string text = command;
    char* argv[] = {shell.data(), option.data(), text.data(), nullptr};
    // Standard input may be the stream's own audio (--input -): a command
    // that read from it would take bytes out of the stream.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv, environment.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        return std::strerror(error);
    }
    running.push_back(pid);
    return {};
}

std::vector<std::string> SilenceCommand::TakeEnded() {
    std::vector<std::string> lines;
    std::erase_if(running, [&lines](pid_t pid) {
        int status = 0;
        const pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == 0 || (ended < 0 && errno == EINTR)) {
            return false;
        }
        if (ended == pid && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
            lines.push_back(WIFEXITED(status)
                                ? "the --on-silence command exited with status " + std::to_string(WEXITSTATUS(status))
                                : "the --on-silence command was ended by signal " + std::to_string(WTERMSIG(status)));
        }
        return true;
    });
    return lines;
}
