#pragma once

// Runs the real sonaplex-host binary in a folder of the test's own, with the
// built module, and keeps what it printed.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace skyflume::test {

// The exit statuses as --help documents them to users, written out here so
// that a changed number fails the tests.
inline constexpr int kExitUsage = 2;
inline constexpr int kExitModule = 3;
inline constexpr int kExitRefused = 4;
inline constexpr int kExitStreamFailed = 5;
inline constexpr int kExitInput = 6;
inline constexpr int kExitEndedOffAir = 7;

// What a finished run left behind.
struct HostOutcome {
    bool exited = false;  // ended by itself, not by a signal or the time-out
    int exitStatus = -1;
    std::string output;  // standard output and standard error together
};

class HostRun {
public:
    // Arguments after the program name; --module and --state are added
    // unless `withModuleAndState` is false.
    HostRun(const std::filesystem::path& folder, std::vector<std::string> arguments, bool withModuleAndState = true);

    bool Start();
    // Polls the output until it holds `text`; false if the run ended or the
    // time-out passed first.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout);
    HostOutcome Finish(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    pid_t Pid() const { return process.Pid(); }

    std::string Output() const;
    static std::filesystem::path StatePath(const std::filesystem::path& folder) { return folder / "host.state"; }

private:
    std::vector<std::string> argv;
    std::filesystem::path outputPath;
    ChildProcess process;
};

// Start and Finish in one.
HostOutcome RunHost(const std::filesystem::path& folder, std::vector<std::string> arguments,
                    bool withModuleAndState = true);

// A loopback port that nothing listens on at the moment.
uint16_t FreeLoopbackPort();

// The health view's answer to GET `path` on loopback; empty when it gave none.
std::string AskHealthView(uint16_t port, const std::string& path);

// The text in a UTF-16 field of the plug-in's saved state block.
std::u16string StateText(const std::filesystem::path& stateFile, std::size_t offset, std::size_t units);

}  // namespace skyflume::test
