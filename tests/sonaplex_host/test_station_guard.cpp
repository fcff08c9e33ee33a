// What keeps a station worth listening to: the input's loudness, the silence
// guard with its fallback, titles from a file, and a relay that serves more
// listeners.

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "host_run.h"
#include "support/icecast_server.h"
#include "support/listener.h"
#include "support/loopback_socket.h"
#include "support/signal_analysis.h"
#include "support/temp_folder.h"

namespace skyflume::test {
namespace {

using namespace std::chrono_literals;

nlohmann::json Input(uint16_t statusPort) {
    return HealthStatus(statusPort).value("input", nlohmann::json::object());
}

// A host streaming `input` to `server`'s mount, with its health view.
class GuardTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.Start()) << server.LastError(); }

    // The host's standard input holds text that no command it runs may read.
    HostRun& Host(const std::string& input, std::vector<std::string> more) {
        std::vector<std::string> arguments = {"--server", "127.0.0.1", "--port",          std::to_string(server.Port()),
                                              "--mount",  "/stream",   "--user",          server.Options().sourceUser,
                                              "--input",  input,       "--status-listen", std::to_string(statusPort)};
        arguments.insert(arguments.end(), more.begin(), more.end());
        ::setenv("SKYFLUME_PASSWORD", server.Options().sourcePassword.c_str(), 1);
        host.emplace(folder.Path(), arguments);
        std::ofstream(folder / "stdin") << "the host's own input\n";
        EXPECT_TRUE(host->Start((folder / "stdin").string()));
        return *host;
    }

    TempFolder folder;
    IcecastServer server;
    uint16_t statusPort = FreeLoopbackPort();
    std::optional<HostRun> host;
};

TEST_F(GuardTest, TheFirstCaseOfEbuTech3341ReadsMinus23) {
    // A 1 kHz sine at -23 dBFS on both channels.
    Host("lavfi:aevalsrc=0.0707946*sin(2*PI*1000*t):c=stereo:s=44100", {});
    ASSERT_TRUE(Eventually([&] {
        return Input(statusPort).value("loudness_shortterm_lufs", nlohmann::json()).is_number();
    })) << host->Output();
    std::this_thread::sleep_for(1s);
    const nlohmann::json input = Input(statusPort);
    EXPECT_NEAR(input["loudness_momentary_lufs"].get<double>(), -23.0, 0.1) << input.dump();
    EXPECT_NEAR(input["loudness_shortterm_lufs"].get<double>(), -23.0, 0.1) << input.dump();
    EXPECT_NEAR(input["true_peak_dbtp"].get<double>(), -23.0, 0.5) << input.dump();
    const std::map<std::string, double> metrics = ScrapeMetrics(folder.Path(), statusPort);
    EXPECT_NEAR(metrics.at("skyflume_input_loudness_momentary_lufs"), -23.0, 0.1);
    EXPECT_NEAR(metrics.at("skyflume_input_loudness_shortterm_lufs"), -23.0, 0.1);
    EXPECT_NEAR(metrics.at("skyflume_input_true_peak_dbtp"), -23.0, 0.5);
    host->Interrupt();
}

// What a 0.2 s stretch of decoded audio holds: 0 for silence, else its tone.
std::vector<int> Stretches(const ListenResult& heard) {
    std::vector<int> tones;
    const auto stretch = static_cast<std::size_t>(heard.sampleRate / 5);
    for (std::size_t at = 0; at + stretch <= heard.left.size(); at += stretch) {
        const std::vector<float> part(heard.left.begin() + at, heard.left.begin() + at + stretch);
        tones.push_back(
            Rms(part) < 0.01 ? 0 : static_cast<int>(std::lround(DominantFrequency(part, heard.sampleRate) / 10) * 10));
    }
    return tones;
}

TEST_F(GuardTest, ASilentInputIsReplacedByTheFallbackUntilItIsBack) {
    // 5 s of tone, 7 s of silence, then the tone for good.
    const auto ran = folder / "ran.txt";
    Host("lavfi:aevalsrc='0.5*sin(2*PI*1000*t)*(lt(t,5)+gte(t,12))':c=stereo:s=44100",
         {"--silence-after", "3", "--silence-recover", "2", "--fallback", "tone:440", "--on-silence",
          "echo \"$SKYFLUME_MOUNT $SKYFLUME_FALLBACK\" >> '" + ran.string() + "'; cat >> '" + ran.string() + "'",
          "--duration", "19"});
    ASSERT_TRUE(server.SourceConnected(10s)) << host->Output();
    Listener listener;
    listener.Start(server.MountUrl());
    EXPECT_TRUE(Eventually([&] { return Input(statusPort).value("fallback_playing", false); })) << host->Output();
    EXPECT_EQ(Input(statusPort)["silent"], true);
    EXPECT_TRUE(Eventually([&] { return Input(statusPort).value("silent", true) == false; })) << host->Output();
    EXPECT_TRUE(listener.WaitForSeconds(17.0, 20s));
    const std::vector<int> tones = Stretches(listener.StopAndJoin());
    const auto toneEnd = std::find(std::find(tones.begin(), tones.end(), 1000), tones.end(), 0);
    const auto fallback = std::find(toneEnd, tones.end(), 440);
    ASSERT_NE(fallback, tones.end()) << ::testing::PrintToString(tones);
    EXPECT_LE(fallback - toneEnd, 20) << ::testing::PrintToString(tones);  // 4 s
    EXPECT_NE(std::find(fallback, tones.end(), 1000), tones.end()) << ::testing::PrintToString(tones);
    const HostOutcome outcome = host->Finish();
    EXPECT_EQ(FileText(ran), "/stream tone:440\n") << outcome.output;
}

TEST_F(GuardTest, TheTitleFileIsAnnouncedOnceForEachChangeAndAgainAfterAReconnect) {
    const auto file = folder / "now-playing.txt";
    std::ofstream(file) << "First song\nnext line\n";
    Host("tone:1000", {"--title-file", file.string()});
    EXPECT_TRUE(Eventually([&] { return MountTitle(server) == "First song"; })) << host->Output();
    // Written aside and renamed over the file, as playout software does;
    // its control characters go, and it is cut after 255 bytes, between characters.
    std::string longTitle = "Caf\xC3\xA9\t\x01 ";
    std::string expected = "Caf\xC3\xA9 ";
    for (int character = 0; character < 200; ++character) {
        longTitle += "\xC3\xA9";
        expected += character < 124 ? "\xC3\xA9" : "";
    }
    std::ofstream(folder / "next.txt") << longTitle << "\n";
    std::filesystem::rename(folder / "next.txt", file);
    EXPECT_TRUE(Eventually([&] { return MountTitle(server) == expected; })) << MountTitle(server) << host->Output();
    std::ofstream(file) << longTitle << "\n";
    std::this_thread::sleep_for(1s);
    server.Stop();
    ASSERT_TRUE(server.Start()) << server.LastError();
    EXPECT_TRUE(server.SourceConnected(20s)) << host->Output();
    EXPECT_TRUE(Eventually([&] { return MountTitle(server) == expected; })) << MountTitle(server) << host->Output();
    // Not UTF-8 (an overlong "/"): the health view still answers.
    std::ofstream(file) << "Bad \xC0\xAF title\n";
    EXPECT_TRUE(Eventually([&] { return Input(statusPort)["playing"] == "Bad \uFFFD\uFFFD title"; })) << host->Output();
    const HostOutcome outcome = host->Interrupt();
    const std::string log = FileText(std::filesystem::path(server.Folder()) / "log" / "access.log");
    EXPECT_EQ(Count(log, "/admin/metadata"), 4u) << outcome.output;
}

// Playout software that makes its folder once it runs, and anew when it starts again.
TEST_F(GuardTest, ATitleFileInAFolderMadeLaterOrMadeAnewIsFollowed) {
    const auto playout = folder / "playout";
    Host("tone:1000", {"--title-file", (playout / "now.txt").string()});
    ASSERT_TRUE(server.SourceConnected(10s)) << host->Output();
    for (const std::string title : {"Made later", "Made anew"}) {
        std::filesystem::remove_all(playout);
        std::filesystem::create_directory(playout);
        std::ofstream(playout / "now.txt") << title << "\n";
        EXPECT_TRUE(Eventually([&] { return MountTitle(server) == title; })) << MountTitle(server) << host->Output();
    }
}

TEST_F(GuardTest, ARelayServesTheStreamAndItsTitleAndPicksItUpAgainAfterAReconnect) {
    IcecastOptions relayOptions;
    relayOptions.relayFromPort = server.Port();
    IcecastServer relay(relayOptions);
    ASSERT_TRUE(relay.Start()) << relay.LastError();
    Host("tone:1000", {"--title", "On the relay"});
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(relay.SourceConnected(30s)) << relay.ErrorLog() << host->Output();
        const ListenResult heard = HearFor(relay.MountUrl(), 2.0, 20s);
        EXPECT_GE(heard.SecondsHeard(), 2.0) << heard.error;
        EXPECT_NEAR(DominantFrequency(heard.left, heard.sampleRate), 1000.0, 5.0);
        EXPECT_TRUE(Eventually([&] { return MountTitle(relay) == "On the relay"; })) << relay.StatusJson();
        if (round == 0) {
            server.Kill();
            EXPECT_TRUE(relay.SourceGone(20s)) << relay.StatusJson();
            ASSERT_TRUE(server.Start()) << server.LastError();
        }
    }
    host->Interrupt();
}

}  // namespace
}  // namespace skyflume::test
