#include "host_run.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <fstream>
#include <thread>

#include "host/app/http_request.h"
#include "support/temp_folder.h"

namespace skyflume::test {

HostRun::HostRun(const std::filesystem::path& folder, std::vector<std::string> arguments, bool withModuleAndState)
    : outputPath(folder /
                 ("host-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + ".log")) {
    argv.push_back(SONAPLEX_HOST_PATH);
    if (withModuleAndState) {
        argv.insert(argv.end(), {"--module", SKYFLUME_MODULE_PATH, "--state", StatePath(folder).string()});
    }
    argv.insert(argv.end(), arguments.begin(), arguments.end());
}

bool HostRun::Start(const std::string& inputPath) {
    return process.Spawn(argv, outputPath.string(), inputPath);
}

std::string HostRun::Output() const {
    return FileText(outputPath);
}

bool HostRun::WaitForOutput(const std::string& text, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (Output().find(text) != std::string::npos) {
            return true;
        }
        if (!process.Running()) {
            return Output().find(text) != std::string::npos;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

HostOutcome HostRun::Finish(std::chrono::milliseconds timeout) {
    HostOutcome outcome;
    const std::optional<int> status = process.WaitFor(timeout);
    if (!status) {
        process.Kill();
    } else if (WIFEXITED(*status)) {
        outcome.exited = true;
        outcome.exitStatus = WEXITSTATUS(*status);
    }
    outcome.output = Output();
    return outcome;
}

HostOutcome HostRun::Interrupt(int signal, std::chrono::milliseconds timeout) {
    EXPECT_EQ(::kill(Pid(), signal), 0) << "the host could not be signalled";
    return Finish(timeout);
}

void ExpectExit(const HostOutcome& outcome, int exitStatus, const std::string& text) {
    EXPECT_TRUE(outcome.exited) << outcome.output;
    EXPECT_EQ(outcome.exitStatus, exitStatus) << outcome.output;
    EXPECT_THAT(outcome.output, HasSubstr(text));
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

HostOutcome RunHost(const std::filesystem::path& folder, std::vector<std::string> arguments, bool withModuleAndState) {
    HostRun run(folder, std::move(arguments), withModuleAndState);
    if (!run.Start()) {
        return {};
    }
    return run.Finish();
}

std::u16string StateText(const std::filesystem::path& stateFile, std::size_t offset, std::size_t units) {
    const std::string block = FileText(stateFile);
    std::u16string text;
    for (std::size_t i = 0; i < units && offset + 2 * i + 1 < block.size(); ++i) {
        const auto unit = static_cast<char16_t>(static_cast<uint8_t>(block[offset + 2 * i]) |
                                                static_cast<uint8_t>(block[offset + 2 * i + 1]) << 8);
        if (unit == 0) {
            break;
        }
        text.push_back(unit);
    }
    return text;
}

std::string AskHealthView(uint16_t port, const std::string& path) {
    HttpRequest request;
    request.host = "127.0.0.1";
    request.port = std::to_string(port);
    request.path = path;
    const HttpAnswer answer = HttpGet(request);
    return answer.outcome == HttpAnswer::Outcome::Answered && answer.status == 200 ? answer.body : std::string();
}

nlohmann::json HealthStatus(uint16_t port) {
    const nlohmann::json status = nlohmann::json::parse(AskHealthView(port, "/status"), nullptr, false);
    return status.is_discarded() ? nlohmann::json::object() : status;
}

ListenResult HearFor(const std::string& url, double seconds, std::chrono::milliseconds timeout) {
    Listener listener;
    listener.Start(url);
    listener.WaitForSeconds(seconds, timeout);
    return listener.StopAndJoin();
}

std::map<std::string, double> ScrapeMetrics(const std::filesystem::path& folder, uint16_t port) {
    const auto scraped = folder / "metrics.txt";
    const auto parsed = folder / "metrics-parsed.txt";
    std::ofstream(scraped) << AskHealthView(port, "/metrics");
    ChildProcess parser;
    parser.Spawn({"/usr/bin/python3", "-c",
                  "import sys\nfrom prometheus_client.parser import text_string_to_metric_families as parse\n"
                  "for family in parse(open(sys.argv[1]).read()):\n"
                  "  for s in family.samples:\n"
                  "    print(s.name + ('{' + s.labels['mount'] + '}' if 'mount' in s.labels else ''), s.value)\n",
                  scraped.string()},
                 parsed.string());
    std::map<std::string, double> samples;
    if (parser.WaitFor(std::chrono::seconds(10)) != 0) {
        return samples;
    }
    std::ifstream lines(parsed);
    std::string name;
    double value = 0;
    while (lines >> name >> value) {
        samples[name] = value;
    }
    return samples;
}

std::string MountTitle(const IcecastServer& server) {
    const auto mount = server.MountStatus();
    return mount && mount->contains("title") ? mount->at("title") : std::string();
}

}  // namespace skyflume::test
