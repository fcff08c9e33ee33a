// A station run unattended from one configuration file: its check, several
// servers from one input, the health view, and the service manager's notices.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <poll.h>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "host_run.h"
#include "support/fake_server.h"
#include "support/icecast_server.h"
#include "support/listener.h"
#include "support/loopback_socket.h"
#include "support/scoped_env.h"
#include "support/signal_analysis.h"
#include "support/temp_folder.h"

namespace skyflume::test {
namespace {

using namespace std::chrono_literals;

TEST(StationTest, CheckConfigNamesEveryProblemWithItsLineAndPassesAGoodFile) {
    TempFolder folder;
    const auto config = folder / "station.toml";
    std::ofstream(config) << "server = \"127.0.0.1\"\ncolour = \"red\"\nbit-rate = 100\npassword-file = \""
                          << (folder / "missing").string() << "\"\n";
    const HostOutcome bad = RunHost(folder.Path(), {"--config", config.string(), "--check-config"});
    ExpectExit(bad, kExitUsage, config.string() + ":2: colour: no such key");
    EXPECT_EQ(Count(bad.output, config.string() + ":"), 3u) << bad.output;
    EXPECT_THAT(bad.output, HasSubstr(config.string() + ":3: bit-rate: 100 not in {64,80,"));
    EXPECT_THAT(bad.output, HasSubstr(config.string() + ":4: password-file: cannot read the password file"));

    std::ofstream(config) << "bit-rate = 192\n[[stream]]\nmount = \"/a\"\n[[stream]]\nmount = \"/b\"\n";
    const HostOutcome good = RunHost(folder.Path(), {"--config", config.string(), "--check-config"});
    ExpectExit(good, 0, "stream 2: mount /b");
    EXPECT_THAT(good.output, Not(HasSubstr("Status:")));
}

// Whether a line of `output` is `text` after an ISO 8601 time, as
// "2026-12-09T02:19:49.123Z /second Status: streaming...".
bool HasTimedLine(const std::string& output, const std::string& text) {
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        int field[7];
        char zone = 0;
        int used = 0;
        if (std::sscanf(line.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d.%3d%c %n", &field[0], &field[1], &field[2], &field[3],
                        &field[4], &field[5], &field[6], &zone, &used) == 8 &&
            zone == 'Z' && line.substr(used) == text) {
            return true;
        }
    }
    return false;
}

// Whether the stream of that index is up, brought back at least `reconnects` times.
bool Up(const nlohmann::json& status, std::size_t index, int reconnects) {
    const nlohmann::json& streams = status.value("streams", nlohmann::json::array());
    return streams.size() > index && streams[index]["up"] == true &&
           streams[index]["reconnects"].get<int>() >= reconnects;
}

TEST(StationTest, TwoServersStreamOneInputAndComeBackWhileADeadOneNeverStopsThem) {
    TempFolder folder;
    IcecastServer server;
    ASSERT_TRUE(server.Start()) << server.LastError();
    const FakeServer closed(FakeServer::Kind::Closed);
    const uint16_t statusPort = FreeLoopbackPort();
    const auto password = folder / "password";
    std::ofstream(password) << server.Options().generalSourcePassword << "\n";
    const auto config = folder / "station.toml";
    std::ofstream(config) << "server = \"127.0.0.1\"\nport = " << server.Port()
                          << "\nstatus-listen = \"127.0.0.1:" << statusPort << "\"\n[[stream]]\nmount = \"/stream\"\n"
                          << "[[stream]]\nmount = \"/second\"\nuser = \"source\"\npassword-file = \""
                          << password.string() << "\"\n[[stream]]\nmount = \"/dead\"\nport = " << closed.Port() << "\n";
    HostRun host(folder.Path(), {"--config", config.string()});
    ASSERT_TRUE(host.Start());

    nlohmann::json status;
    // The two streams that have a server are up, each after at least `reconnects` reconnects.
    const auto bothUp = [&](int reconnects) {
        return Eventually([&] {
            status = HealthStatus(statusPort);
            return Up(status, 0, reconnects) && Up(status, 1, reconnects);
        });
    };
    ASSERT_TRUE(bothUp(0)) << status.dump() << host.Output();
    const nlohmann::json& dead = status["streams"][2];
    EXPECT_EQ(dead["up"], false);
    EXPECT_EQ(dead["last_failure"], "Status: stream create error.");
    EXPECT_THAT(dead["last_failure_reason"].get<std::string>(), HasSubstr("nothing listens"));
    const ListenResult heard = HearFor("http://127.0.0.1:" + std::to_string(server.Port()) + "/second", 1.0);
    ASSERT_GE(heard.SecondsHeard(), 1.0) << heard.error;
    EXPECT_NEAR(DominantFrequency(heard.left, heard.sampleRate), 1000.0, 5.0);

    server.Kill();
    ASSERT_TRUE(server.Start()) << server.LastError();
    ASSERT_TRUE(bothUp(1)) << status.dump() << host.Output();
    EXPECT_GE(status["streams"][2]["reconnects"].get<int>(), 1) << status.dump();
    EXPECT_NEAR(status["input"]["peak_dbfs"].get<double>(), -6.0, 0.1);
    const std::map<std::string, double> metrics = ScrapeMetrics(folder.Path(), statusPort);
    EXPECT_EQ(metrics.at("skyflume_stream_up{/second}"), 1.0);
    EXPECT_EQ(metrics.at("skyflume_stream_up{/dead}"), 0.0);
    EXPECT_GE(metrics.at("skyflume_stream_reconnects_total{/stream}"), 1.0);
    EXPECT_GT(metrics.at("skyflume_stream_on_air_seconds_total{/stream}"), 1.0);
    EXPECT_NEAR(metrics.at("skyflume_input_peak_dbfs"), -6.0, 0.1);

    const HostOutcome outcome = host.Interrupt();
    EXPECT_EQ(outcome.exitStatus, kExitEndedOffAir) << outcome.output;
    EXPECT_TRUE(HasTimedLine(outcome.output, "/second Status: streaming...")) << outcome.output;
}

// The messages of the datagrams that arrive at `socket` within `span`.
std::vector<std::string> Notices(int socket, std::chrono::milliseconds span) {
    std::vector<std::string> notices;
    const auto end = std::chrono::steady_clock::now() + span;
    for (int received = 0; received < 1000 && std::chrono::steady_clock::now() < end; ++received) {
        pollfd wait{socket, POLLIN, 0};
        if (::poll(&wait, 1, 100) == 1) {
            char message[512];
            const ssize_t size = ::recv(socket, message, sizeof message, 0);
            notices.emplace_back(message, size > 0 ? size : 0);
        }
    }
    return notices;
}

TEST(StationTest, TheServiceManagerHearsReadyStatusAndWatchdogAndAcceptsTheUnit) {
    TempFolder folder;
    IcecastServer server;
    ASSERT_TRUE(server.Start()) << server.LastError();
    const auto socketPath = folder / "notify";
    const int notify = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
    socketPath.string().copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(notify, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

    HostRun host(folder.Path(), {"--server", "127.0.0.1", "--port", std::to_string(server.Port()), "--duration", "2"});
    {
        const ScopedEnv notifySocket("NOTIFY_SOCKET", socketPath.c_str());
        const ScopedEnv watchdog("WATCHDOG_USEC", "200000");
        ASSERT_TRUE(host.Start());
    }
    const std::vector<std::string> notices = Notices(notify, 4s);
    ::close(notify);
    EXPECT_EQ(host.Finish().exitStatus, 0);

    const auto first = [&notices](const std::string& start) {
        return std::find_if(notices.begin(), notices.end(), [&](const std::string& n) { return n.starts_with(start); });
    };
    ASSERT_NE(first("READY=1"), notices.end());
    EXPECT_NE(std::find_if(first("READY=1"), notices.end(),
                           [](const std::string& n) { return n.starts_with("STATUS=0:00:01  on air"); }),
              notices.end());
    EXPECT_GE(std::count(notices.begin(), notices.end(), "WATCHDOG=1"), 6);
    EXPECT_EQ(notices.back(), "STOPPING=1");

    // The unit as installed, with the binary as built.
    std::string unit = FileText(SKYFLUME_SERVICE_UNIT);
    unit.replace(unit.find("/usr/bin/sonaplex-host"), 22, SONAPLEX_HOST_PATH);
    std::ofstream(folder / "skyflume@.service") << unit;
    ChildProcess verify;
    ASSERT_TRUE(
        verify.Spawn({"/usr/bin/systemd-analyze", "verify", "--man=no", (folder / "skyflume@.service").string()},
                     (folder / "verify.log").string()));
    EXPECT_EQ(verify.WaitFor(20s), 0);
}

}  // namespace
}  // namespace skyflume::test
