// Set-up against a server that is not there or refuses the source, and a
// server that disappears while the worker streams.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/icecast_server.h"
#include "worker_harness.h"

namespace skyflume::test {
namespace {

using namespace std::chrono_literals;

// A loopback port that is bound but not listening: connections to it are
// refused, and nobody else can take it while the holder lives.
class RefusingPort {
public:
    RefusingPort() : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (socket_ >= 0 && ::bind(socket_, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            port_ = ntohs(address.sin_port);
        }
    }
    ~RefusingPort() {
        if (socket_ >= 0) {
            ::close(socket_);
        }
    }
    uint16_t Port() const { return port_; }

private:
    int socket_;
    uint16_t port_ = 0;
};

TEST(WorkerConnectionTest, NothingListeningEndsWithStatus1AndNoAnnouncement) {
    RefusingPort port;
    ASSERT_NE(port.Port(), 0);
    WorkerConfig config;
    config.url = IcecastUrl("admin", "tovrz", port.Port(), "/stream");
    config.radioName = "Nobody Hears";
    WorkerRun run(config);
    run.Start();

    EXPECT_EQ(run.WaitEnded(), kStatusConnectionFailed);
    const std::vector<PostedEvent> events = run.host.Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].id, kEventStreamEnded);
    EXPECT_EQ(events[0].target, &run.target);
    EXPECT_FALSE(run.worker.streaming);
}

TEST(WorkerConnectionTest, WrongPasswordEndsWithStatus1AndNoAnnouncement) {
    IcecastServer server;
    ASSERT_TRUE(server.Start()) << server.LastError();
    const IcecastOptions& options = server.Options();
    WorkerConfig config;
    config.url = IcecastUrl(options.sourceUser, options.sourcePassword + "x", server.Port(), options.mount);
    WorkerRun run(config);
    run.Start();

    EXPECT_EQ(run.WaitEnded(), kStatusConnectionFailed);
    const std::vector<PostedEvent> events = run.host.Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].id, kEventStreamEnded);
    EXPECT_FALSE(run.worker.streaming);
}

// The MP3 muxer takes an MP3 stream only: with another codec it refuses the
// header and is left half set up, so nothing may be written through it.
TEST(WorkerConnectionTest, ARefusedStreamHeaderEndsTheSetUpWithStatus11AndNoAnnouncement) {
    IcecastServer server;
    ASSERT_TRUE(server.Start()) << server.LastError();
    WorkerRun run(ConfigFor(server));
    run.worker.codecId = AV_CODEC_ID_MP2;
    run.Start();

    EXPECT_EQ(run.WaitEnded(), kStatusHeaderRefused);
    const std::vector<PostedEvent> events = run.host.Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].id, kEventStreamEnded);
    EXPECT_FALSE(run.worker.streaming);
}

// The run ends on its own with the write failure, without being asked to
// stop; the sanitizer build checks that it leaves nothing allocated.
TEST(WorkerConnectionTest, ServerKilledMidStreamEndsWithStatus9) {
    IcecastServer server;
    ASSERT_TRUE(server.Start()) << server.LastError();
    WorkerRun run(ConfigFor(server));
    run.Start();
    ASSERT_TRUE(run.WaitStarted());
    ASSERT_TRUE(server.SourceConnected());
    run.PushTone(1000.0, 0.5);

    server.Kill();
    // Enough audio to fill the connection's buffers many times over; the
    // worker keeps inserting silence after the tone runs out.
    for (int i = 0; i < 40 && !run.host.WaitForEvent(kEventStreamEnded, 0ms); ++i) {
        run.PushTone(1000.0, 0.5);
        run.host.WaitForEvent(kEventStreamEnded, 250ms);
    }

    EXPECT_EQ(run.WaitEnded(), kStatusWriteFailed);
    EXPECT_TRUE(run.worker.stopRequested);
    const std::vector<PostedEvent> events = run.host.Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].id, kEventStreamStarted);
    EXPECT_EQ(events[1].id, kEventStreamEnded);
}

}  // namespace
}  // namespace skyflume::test
