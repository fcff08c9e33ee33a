// The Windows module streaming to a real icecast2 on loopback: the Windows
// host program (tests/windows) runs under Wine, loads the module and streams
// a 1 kHz tone; a real listener here decodes what the server sends.
//
// Usage: test_windows_stream [gtest options] COMMAND...
// COMMAND runs the Windows program with the module (e.g. wine-run.sh
// stream_tone.exe Skyflume.sxp64); the port and stop file are appended.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "support/child_process.h"
#include "support/icecast_server.h"
#include "support/listener.h"
#include "support/signal_analysis.h"

namespace skyflume::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::vector<std::string> windowsCommand;

std::string ReadFile(const fs::path& file) {
    std::ifstream stream(file);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

class TemporaryFolder {
public:
    TemporaryFolder() {
        char pattern[] = "/tmp/skyflume-windows-e2e-XXXXXX";
        if (mkdtemp(pattern) != nullptr) path = pattern;
    }
    ~TemporaryFolder() {
        if (!path.empty()) fs::remove_all(path);
    }
    fs::path path;
};

TEST(WindowsEndToEnd, TheWindowsModuleStreamsAToneThatTheListenerHears) {
    ASSERT_FALSE(windowsCommand.empty()) << "no command to run the Windows program";
    TemporaryFolder folder;
    ASSERT_FALSE(folder.path.empty());
    IcecastServer server;
    ASSERT_TRUE(server.Start()) << server.LastError();

    // /usr/bin/env finds the command's first word in PATH, as a shell would.
    std::vector<std::string> argv{"/usr/bin/env"};
    argv.insert(argv.end(), windowsCommand.begin(), windowsCommand.end());
    const fs::path stopFile = folder.path / "stop";
    argv.push_back(std::to_string(server.Port()));
    argv.push_back(stopFile.string());
    const fs::path output = folder.path / "output.log";
    ChildProcess program;
    ASSERT_TRUE(program.Spawn(argv, output.string()));

    // Wine takes a few seconds to start the program before it connects; a
    // program that ended has nothing more to send.
    bool connected = false;
    for (int second = 0; second < 60 && !connected && program.Running(); ++second) {
        connected = server.SourceConnected(1s);
    }
    ListenResult heard;
    if (connected) {
        Listener listener;
        listener.Start(server.MountUrl());
        listener.WaitForSeconds(2.0, 20s);
        heard = listener.StopAndJoin();
    }
    std::ofstream(stopFile) << "stop\n";
    const std::optional<int> status = program.WaitFor(60s);
    const std::string log = ReadFile(output);

    ASSERT_TRUE(connected) << "the module never connected as a source\n" << log;
    ASSERT_TRUE(status.has_value()) << "the Windows program did not end\n" << log;
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "wait status " << *status << "\n" << log;
    ASSERT_TRUE(heard.connected) << heard.error;
    EXPECT_GE(heard.SecondsHeard(), 2.0);
    EXPECT_EQ(heard.formatName, "mp3");
    EXPECT_EQ(heard.decodeErrors, 0);
    EXPECT_NEAR(DominantFrequency(heard.left, heard.sampleRate), 1000.0, 10.0);
    EXPECT_TRUE(server.SourceGone(10s));
}

}  // namespace
}  // namespace skyflume::test

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // What gtest left is the command.
    skyflume::test::windowsCommand.assign(argv + 1, argv + argc);
    return RUN_ALL_TESTS();
}
