// Runs that must not start a stream: the input cannot be opened, the module
// cannot be used, the plug-in refuses the settings, or the server cannot be
// streamed to, each failure explained.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "host_run.h"
#include "support/fake_server.h"
#include "support/icecast_server.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

namespace skyflume::test {
namespace {

// The run ended with the exit status and the text that explain why it streamed nothing.
void ExpectNoStream(const HostOutcome& outcome, int exitStatus, const std::string& text) {
    ExpectExit(outcome, exitStatus, text);
    EXPECT_THAT(outcome.output, Not(HasSubstr("Status: connecting...")));
}

// The host's explanation of a failed stream; empty when there is none.
std::string ReasonLine(const std::string& output) {
    const std::size_t start = output.find("reason: ");
    return start == std::string::npos ? std::string() : output.substr(start, output.find('\n', start) - start);
}

// Each run in a folder of its own, for its state file and whatever it is given.
class NoStreamTest : public testing::Test {
protected:
    TempFolder folder;
};

// A file the run is given: in its folder, missing or holding text, unless
// its name is a full path.
struct FileCase {
    const char* name;
    bool withText;
    const char* message;  // for a module, what follows its name
};

void PrintTo(const FileCase& fileCase, std::ostream* out) {
    *out << fileCase.name;
}

class UnusableFileTest : public NoStreamTest, public testing::WithParamInterface<FileCase> {
protected:
    std::string File() const {
        const std::filesystem::path path = folder / GetParam().name;
        if (GetParam().withText) {
            std::ofstream(path) << "these are notes, not audio nor a module\n";
        }
        return path.string();
    }
};

using UnusableInputTest = UnusableFileTest;

TEST_P(UnusableInputTest, IsNamedAndNothingStreams) {
    const std::string input = File();
    ExpectNoStream(RunHost(folder.Path(), {"--input", input}), kExitInput, "cannot open the input " + input);
}

INSTANTIATE_TEST_SUITE_P(Files, UnusableInputTest,
                         testing::Values(FileCase{"missing.wav", false, ""}, FileCase{"notes.wav", true, ""}));

using UnusableModuleTest = UnusableFileTest;

TEST_P(UnusableModuleTest, IsNamedAndNothingStreams) {
    const std::string module = File();
    const std::string named = module == NOT_A_PLUGIN_MODULE_PATH ? "" : "cannot load the module " + module;
    ExpectNoStream(RunHost(folder.Path(), {"--module", module, "--state", (folder / "state").string()}, false),
                   kExitModule, named + GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Files, UnusableModuleTest,
                         testing::Values(FileCase{"absent.sxp64", false, ": no such file"},
                                         FileCase{"Skyflume.sxp64", true, ": it is not a loadable module"},
                                         FileCase{NOT_A_PLUGIN_MODULE_PATH, false, "does not export GetPlugin"}));

TEST_F(NoStreamTest, AnUnregisteredModuleIsNotFoundWithoutModuleOption) {
    const ScopedEnv registry("SONAPLEX_REGISTRY", (folder / "registry").c_str());
    const HostOutcome outcome = RunHost(folder.Path(), {"--state", (folder / "state").string()}, false);

    ExpectNoStream(outcome, kExitModule, "the module is not registered");
}

struct UsageCase {
    std::vector<std::string> arguments;
    int exitStatus;
    std::string text;
};

void PrintTo(const UsageCase& usage, std::ostream* out) {
    *out << usage.arguments.front();
}

class UsageTest : public NoStreamTest, public testing::WithParamInterface<UsageCase> {};

TEST_P(UsageTest, MistakesAreCaughtBeforeAnythingLoads) {
    // No module: a usage error is caught before one is looked for.
    const HostOutcome outcome = RunHost(folder.Path(), GetParam().arguments, false);
    ExpectExit(outcome, GetParam().exitStatus, GetParam().text);
    EXPECT_THAT(outcome.output, Not(HasSubstr("Pw-typed-4471")));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, UsageTest,
    testing::Values(
        UsageCase{{"--password", "Pw-typed-4471"}, kExitUsage, "use --password-file FILE or SKYFLUME_PASSWORD"},
        UsageCase{{"--password=Pw-typed-4471"}, kExitUsage, "use --password-file FILE or SKYFLUME_PASSWORD"},
        UsageCase{{"--bit-rate", "100"}, kExitUsage, "--bit-rate: 100 not in {64,80,96,112,128,160,192,224,256,320}"},
        UsageCase{{"-h"}, 0, "--no-reconnect"},
        UsageCase{{"--version"}, 0, "sonaplex-host " SKYFLUME_VERSION ", for plug-ins of interface version 9980"}));

TEST_F(NoStreamTest, ABareModuleFileNameIsTheFileInTheCurrentFolder) {
    std::filesystem::create_symlink(SKYFLUME_MODULE_PATH, folder / "Skyflume.sxp64");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    const HostOutcome outcome = RunHost(
        folder.Path(),
        {"--module", "Skyflume.sxp64", "--state", "state", "--window-png", (folder / "window.png").string()}, false);
    std::filesystem::current_path(previous);

    EXPECT_EQ(outcome.exitStatus, 0) << outcome.output;
    EXPECT_TRUE(std::filesystem::exists(folder / "window.png"));
}

TEST_F(NoStreamTest, ASettingThePlugInRefusesShowsItsMessage) {
    const HostOutcome outcome = RunHost(folder.Path(), {"--server", ""});

    ExpectNoStream(outcome, kExitRefused, "message box \"Error\": Invalid server host name!");
}

TEST_F(NoStreamTest, EachConnectionFailureIsExplainedInItsOwnLineWithoutThePassword) {
    const std::string password = "Pw-only-the-server-knows-7431";
    const std::string wrongPassword = "Pw-nobody-knows-1893";
    IcecastServer server({.sourcePassword = password});
    ASSERT_TRUE(server.Start()) << server.LastError();
    const FakeServer closed(FakeServer::Kind::Closed);
    const FakeServer silent(FakeServer::Kind::Silent);
    const FakeServer other(FakeServer::Kind::Answering, "HTTP/1.0 404 Not Found\r\nServer: other\r\n\r\n");
    const auto passwordFile = folder / "password";
    const auto wrongPasswordFile = folder / "wrong-password";
    std::ofstream(passwordFile) << password << "\n";
    std::ofstream(wrongPasswordFile) << wrongPassword << "\n";
    const auto at = [](uint16_t port) { return std::vector<std::string>{"--port", std::to_string(port)}; };

    // A source already on the mount, with a state file of its own.
    const auto firstFolder = folder / "first";
    std::filesystem::create_directory(firstFolder);
    HostRun first(firstFolder, {"--server", "127.0.0.1", "--port", std::to_string(server.Port()), "--password-file",
                                passwordFile.string()});
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(server.SourceConnected(std::chrono::seconds(10))) << first.Output();

    struct Case {
        std::vector<std::string> arguments;
        std::string line;
    };
    const std::string serverPort = std::to_string(server.Port());
    const Case cases[] = {
        {{"--port", serverPort, "--password-file", wrongPasswordFile.string()}, "refused the login (HTTP 401)"},
        {{"--port", serverPort, "--user", "nobody"}, "refused the login (HTTP 401)"},
        {{"--port", serverPort}, "the mount /stream is in use by another source"},
        {{"--port", serverPort, "--mount", "stream"}, "the mount point \"stream\" lacks its leading \"/\""},
        {at(closed.Port()), "nothing listens at 127.0.0.1:" + std::to_string(closed.Port())},
        {{"--server", "nothing.invalid"}, "the server name nothing.invalid does not resolve"},
        {at(silent.Port()), "accepted the connection but did not answer within 3 s"},
        {at(other.Port()), "is not an Icecast server (it answered \"HTTP/1.0 404 Not Found\")"},
    };
    for (const Case& c : cases) {
        // Given in full each time, since each run keeps its settings for the next.
        std::vector<std::string> arguments = {"--server",   "127.0.0.1", "--mount",         "/stream",
                                              "--user",     "admin",     "--password-file", passwordFile.string(),
                                              "--duration", "5"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        SCOPED_TRACE(c.line);
        const HostOutcome outcome = RunHost(folder.Path(), arguments);
        ExpectExit(outcome, kExitStreamFailed, "Status: stream create error.\n");
        EXPECT_THAT(ReasonLine(outcome.output), HasSubstr(c.line)) << outcome.output;
        EXPECT_THAT(outcome.output, Not(HasSubstr(password)));
        EXPECT_THAT(outcome.output, Not(HasSubstr(wrongPassword)));
    }
    EXPECT_EQ(first.Interrupt().exitStatus, 0);
}

}  // namespace
}  // namespace skyflume::test
