// Streams that run: to the end of a file, or of a looped one that is gone,
// from settings saved by an earlier run, stopped by Ctrl-C, brought back
// after the server was lost, and refused by the server.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <thread>

#include "host_run.h"
#include "support/icecast_server.h"
#include "support/listener.h"
#include "support/signal_analysis.h"
#include "support/temp_folder.h"
#include "support/tone_wav.h"

namespace skyflume::test {
namespace {

using namespace std::chrono_literals;

// Offset and capacity of the server port text in the plug-in's state block.
constexpr std::size_t kServerPortOffset = 276;
constexpr std::size_t kServerPortUnits = 16;

// The host clicked Stop for the reason, the plug-in finished and the host exited with 0.
void ExpectStoppedCleanly(const HostOutcome& outcome, const std::string& reason) {
    ExpectExit(outcome, 0, "clicking Stop: " + reason);
    EXPECT_THAT(outcome.output, HasSubstr("Status: done."));
}

class StreamingTest : public ::testing::Test {
protected:
    void StartServer(IcecastOptions options = {}) {
        server = std::make_unique<IcecastServer>(std::move(options));
        ASSERT_TRUE(server->Start()) << server->LastError();
    }
    // The options that reach the server, followed by `more`.
    std::vector<std::string> ServerOptions(std::initializer_list<std::string> more = {}) const {
        std::vector<std::string> options = {"--server", IcecastServer::Host(), "--port",
                                            std::to_string(server->Port())};
        options.insert(options.end(), more);
        return options;
    }

    TempFolder folder;
    std::unique_ptr<IcecastServer> server;
};

TEST_F(StreamingTest, AFileStreamsToItsEndAndTheListenerHearsItsTone) {
    StartServer();
    const auto wav = folder / "tone-1k.wav";
    WriteToneWav(wav, 1000.0, 44100, 3.0);
    HostRun host(folder.Path(), ServerOptions({"--input", wav.string()}));
    ASSERT_TRUE(host.Start());
    ASSERT_TRUE(server->SourceConnected(std::chrono::seconds(10))) << host.Output();
    Listener listener;
    listener.Start(server->MountUrl());

    const HostOutcome outcome = host.Finish();
    listener.WaitForEnd(std::chrono::seconds(10));
    const ListenResult heard = listener.StopAndJoin();

    ExpectStoppedCleanly(outcome, "end of the input");
    ASSERT_TRUE(heard.connected) << heard.error;
    EXPECT_GE(heard.SecondsHeard(), 2.0);
    EXPECT_NEAR(DominantFrequency(heard.left, heard.sampleRate), 1000.0, 5.0);
}

TEST_F(StreamingTest, ALoopedFileThatCannotBeOpenedAgainEndsWithTheInputStatus) {
    StartServer();
    const auto wav = folder / "loop.wav";
    WriteToneWav(wav, 1000.0, 44100, 2.0);
    HostRun host(folder.Path(), ServerOptions({"--input", wav.string(), "--loop"}));
    ASSERT_TRUE(host.Start());
    ASSERT_TRUE(server->SourceConnected(10s)) << host.Output();
    std::filesystem::remove(wav);
    const HostOutcome outcome = host.Finish();
    ExpectExit(outcome, kExitInput, "the input failed: cannot open '" + wav.string() + "'");
}

// The second run's input is an FFmpeg input device, as a sound card would
// be; lavfi's sine generator needs no hardware.
TEST_F(StreamingTest, ASecondRunWithoutSettingsStreamsALiveInputWithTheSettingsOfTheFirst) {
    IcecastOptions options;
    options.mount = "/persisted";
    StartServer(options);
    const HostOutcome firstOutcome =
        RunHost(folder.Path(), ServerOptions({"--mount", "/persisted", "--bit-rate", "192", "--duration", "0.3"}));
    ASSERT_EQ(firstOutcome.exitStatus, 0) << firstOutcome.output;
    ASSERT_TRUE(server->SourceGone(std::chrono::seconds(5)));

    HostRun second(folder.Path(), {"--input", "lavfi:sine=f=440", "--duration", "3"});
    ASSERT_TRUE(second.Start());
    ASSERT_TRUE(server->SourceConnected(std::chrono::seconds(10))) << second.Output();
    const ListenResult heard = HearFor(server->MountUrl(), 1.0);
    const HostOutcome secondOutcome = second.Finish();

    ExpectExit(secondOutcome, 0, "restored the settings from");
    ASSERT_TRUE(heard.connected) << heard.error;
    EXPECT_EQ(heard.bitRate, 192000);
    EXPECT_EQ(heard.sampleRate, 44100);
    EXPECT_NEAR(DominantFrequency(heard.left, heard.sampleRate), 440.0, 5.0);
}

TEST_F(StreamingTest, CtrlCOrAHangUpStopsTheStreamCleanlyAndKeepsTheSettings) {
    StartServer();
    const std::pair<int, std::string> signals[] = {{SIGINT, "interrupted (SIGINT)"}, {SIGHUP, "hung up (SIGHUP)"}};
    for (const auto& [signal, reason] : signals) {
        SCOPED_TRACE(reason);
        std::filesystem::remove(HostRun::StatePath(folder.Path()));
        HostRun host(folder.Path(), ServerOptions());
        ASSERT_TRUE(host.Start());
        ASSERT_TRUE(host.WaitForOutput("Status: streaming...", std::chrono::seconds(10))) << host.Output();

        const HostOutcome outcome = host.Interrupt(signal);

        ExpectStoppedCleanly(outcome, reason);
        const auto state = HostRun::StatePath(folder.Path());
        EXPECT_EQ(std::filesystem::file_size(state), 1204u);
        const std::string port = std::to_string(server->Port());
        EXPECT_EQ(StateText(state, kServerPortOffset, kServerPortUnits), std::u16string(port.begin(), port.end()));
        EXPECT_TRUE(server->SourceGone(std::chrono::seconds(5)));
    }
}

TEST_F(StreamingTest, TheServerShowsEachFilesTagsOrNameAsTitleOrTheTitleGiven) {
    StartServer();
    const auto tagged = folder / "tagged.wav";
    const auto untagged = folder / "second-song.wav";
    WriteToneWav(tagged, 440.0, 44100, 2.0, "Test Artist", "Test Song");
    WriteToneWav(untagged, 880.0, 44100, 2.0);
    HostRun host(folder.Path(), ServerOptions({"--input", tagged.string(), "--input", untagged.string()}));
    ASSERT_TRUE(host.Start());

    // icecast2 writes characters beyond Latin-1, the dash among them, as XML character references.
    const auto fromTags = [](const std::string& title) {
        return title.starts_with("Test Artist ") && title.ends_with(" Test Song");
    };
    EXPECT_TRUE(Eventually([&] { return fromTags(MountTitle(*server)); })) << MountTitle(*server) << host.Output();
    EXPECT_TRUE(Eventually([&] { return MountTitle(*server) == "second-song.wav"; }))
        << MountTitle(*server) << host.Output();
    const HostOutcome filesOutcome = host.Finish();
    ExpectExit(filesOutcome, 0, "title \"Test Artist \u2013 Test Song\" announced");
    ASSERT_TRUE(server->SourceGone(5s));

    HostRun titled(folder.Path(), ServerOptions({"--title", "Morning Show", "--duration", "3"}));
    ASSERT_TRUE(titled.Start());
    EXPECT_TRUE(Eventually([&] { return MountTitle(*server) == "Morning Show"; }))
        << MountTitle(*server) << titled.Output();
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST_F(StreamingTest, ALostServerIsBroughtBackAndCtrlCEndsTheWaitForOneThatStaysDown) {
    StartServer();
    HostRun host(folder.Path(), ServerOptions());
    ASSERT_TRUE(host.Start());
    ASSERT_TRUE(server->SourceConnected(10s)) << host.Output();

    // Killed and started again on the same port: the first attempt, 1 s
    // after the loss, or the second, 2 s after that, finds it.
    server->Kill();
    ASSERT_TRUE(host.WaitForOutput("reconnecting in 1 s (attempt 1)", 10s)) << host.Output();
    ASSERT_TRUE(server->Start()) << server->LastError();
    const auto restarted = std::chrono::steady_clock::now();
    ASSERT_TRUE(server->SourceConnected(10s)) << host.Output();
    EXPECT_LT(SecondsSince(restarted), 2.0 + 1.0 + 1.5) << host.Output();
    const ListenResult heard = HearFor(server->MountUrl(), 1.0);
    ASSERT_GE(heard.SecondsHeard(), 1.0) << heard.error;
    EXPECT_NEAR(DominantFrequency(heard.left, heard.sampleRate), 1000.0, 5.0);

    // Down for good: the waits grow until Ctrl-C ends the run.
    server->Kill();
    ASSERT_TRUE(host.WaitForOutput("reconnecting in 4 s (attempt 3)", 15s)) << host.Output();
    const std::string output = host.Output();
    EXPECT_THAT(output, HasSubstr("reconnecting in 2 s (attempt 2)"));
    EXPECT_THAT(output, HasSubstr("reason: the server closed the connection"));
    EXPECT_THAT(output, HasSubstr("reason: nothing listens at 127.0.0.1:" + std::to_string(server->Port())));
    const auto interrupted = std::chrono::steady_clock::now();
    const HostOutcome outcome = host.Interrupt(SIGINT, 5s);
    EXPECT_LT(SecondsSince(interrupted), 1.5);
    ExpectExit(outcome, kExitEndedOffAir, "ending while the stream is down: interrupted (SIGINT)");
    // The last state of the status line, with the tone's level (amplitude 0.5).
    EXPECT_THAT(outcome.output, HasSubstr("  off air, reconnecting  level -6.0 dBFS"));
}

TEST_F(StreamingTest, AWrongPasswordEndsWithTheCreateError) {
    StartServer();
    const auto passwordFile = folder / "password";
    std::ofstream(passwordFile) << "not-the-password\n";
    const HostOutcome outcome =
        RunHost(folder.Path(), ServerOptions({"--password-file", passwordFile.string(), "--duration", "5"}));

    ExpectExit(outcome, kExitStreamFailed, "Status: stream create error.");
    EXPECT_THAT(outcome.output, Not(HasSubstr("Status: streaming...")));
}

}  // namespace
}  // namespace skyflume::test
