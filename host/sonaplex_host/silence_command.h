#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

// The operator's --on-silence command: run by /bin/sh -c as the operator
// wrote it, with what the host knows in environment variables of its own
// (never written into the command's text), without waiting for it.
class SilenceCommand {
public:
    explicit SilenceCommand(std::string command) : command(std::move(command)) {}
    // Leaves a command still running to itself.
    ~SilenceCommand() = default;

    // Answers an empty text, or why the command could not be started.
    std::string Start(const std::map<std::string, std::string>& details);
    // Lines about the commands that ended since the last call.
    std::vector<std::string> TakeEnded();

private:
    const std::string command;
    std::vector<pid_t> running;
};
