#pragma once

// Runs the real sonaplex-host binary in a folder of the test's own, with the
// built module, and keeps what it printed.

#include <gmock/gmock.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/child_process.h"
#include "support/icecast_server.h"
#include "support/listener.h"

namespace skyflume::test {

using ::testing::HasSubstr;
using ::testing::Not;

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

    bool Start(const std::string& inputPath = "/dev/null");
    // Polls the output until it holds `text`; false if the run ended or the
    // time-out passed first.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout);
    HostOutcome Finish(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // Sends the signal, as Ctrl-C or a hang-up would, then Finish.
    HostOutcome Interrupt(int signal = SIGINT, std::chrono::milliseconds timeout = std::chrono::seconds(20));
    pid_t Pid() const { return process.Pid(); }

    std::string Output() const;
    static std::filesystem::path StatePath(const std::filesystem::path& folder) { return folder / "host.state"; }

private:
    std::vector<std::string> argv;
    std::filesystem::path outputPath;
    ChildProcess process;
};

// The host exited by itself with the status, and its output says `text`.
void ExpectExit(const HostOutcome& outcome, int exitStatus, const std::string& text);
// How often `part` occurs in `text`.
std::size_t Count(const std::string& text, const std::string& part);

// Start and Finish in one.
HostOutcome RunHost(const std::filesystem::path& folder, std::vector<std::string> arguments,
                    bool withModuleAndState = true);

// The health view's answer to GET `path` on loopback; empty when it gave none.
std::string AskHealthView(uint16_t port, const std::string& path);

// The health view's /status as JSON; an empty object when it gave none.
nlohmann::json HealthStatus(uint16_t port);

// The samples of the health view's /metrics answer as Prometheus' own client
// library parses them, by way of a file in `folder`: "name{mount}" (or
// "name") to value; empty if it is not the format.
std::map<std::string, double> ScrapeMetrics(const std::filesystem::path& folder, uint16_t port);

// The title the server shows for its mount; empty when it shows none.
std::string MountTitle(const IcecastServer& server);

// What a listener to `url` heard once it decoded `seconds` of audio, the
// stream ended or the time-out passed.
ListenResult HearFor(const std::string& url, double seconds,
                     std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Polls every 100 ms until `holds` is true or the time-out passed; answers whether it came true.
template <class Condition>
bool Eventually(Condition holds, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    for (auto waited = std::chrono::milliseconds(0); waited < timeout; waited += std::chrono::milliseconds(100)) {
        if (holds()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// The text in a UTF-16 field of the plug-in's saved state block.
std::u16string StateText(const std::filesystem::path& stateFile, std::size_t offset, std::size_t units);

}  // namespace skyflume::test
