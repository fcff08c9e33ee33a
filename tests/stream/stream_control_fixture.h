#pragma once

// The plug-in initialised and activated, its window open, for the stream
// control tests.

#include <chrono>
#include <optional>
#include <string>

#include "support/fake_server.h"
#include "support/icecast_server.h"
#include "support/plugin_fixture.h"

namespace skyflume::test {

inline constexpr std::chrono::seconds kEventTimeout{15};

// At the end the host deactivates the plug-in, runs what is still posted,
// waits for the threads it started, unloads and releases it; then it must be
// gone.
class StreamControlTest : public PluginTest {
protected:
    StreamControlTest() { InitializeAndActivate(); }
    ~StreamControlTest() override {
        // The test let the plug-in go as a hurried host would.
        if (destroyed != 0) {
            return;
        }
        object->Deactivate();
        application.DeliverEvents();
        EXPECT_TRUE(application.WaitForThreads(kEventTimeout));
        object->Unload(1);
        EXPECT_EQ(object->Release(), 0);
        EXPECT_EQ(destroyed, 1);
    }

    StreamWorker& Worker() { return object->worker; }
    // Types the port with the default mount and login, and clicks Stream.
    void ClickStream(uint16_t port) {
        settings.TypeServer(port, "/stream", "admin", "tovrz");
        settings.Click();
    }
    // Starts the test's server, clicks Stream towards it and waits until the
    // plug-in streams.
    void StartStreaming() {
        server.emplace();
        ASSERT_TRUE(server->Start()) << server->LastError();
        ClickStream(server->Port());
        ASSERT_TRUE(application.WaitForEvent(kEventStreamStarted, kEventTimeout));
    }
    // Clicks Stream towards a server that accepts and never answers.
    void StartConnecting() {
        silent.emplace(FakeServer::Kind::Silent);
        ClickStream(silent->Port());
        settings.ExpectConnecting();
    }

    // The window is idle with the status, and no run exists.
    void ExpectIdleWith(const std::string& status) {
        settings.ExpectIdleWith(status);
        EXPECT_FALSE(Worker().Streaming());
        EXPECT_FALSE(Worker().Exists());
    }
    // Waits for the run's last event, after which the window is idle with the
    // status.
    void ExpectEndedWith(const std::string& status) {
        ASSERT_TRUE(application.WaitForEvent(kEventStreamEnded, kEventTimeout));
        ExpectIdleWith(status);
    }

    std::optional<IcecastServer> server;
    std::optional<FakeServer> silent;
};

}  // namespace skyflume::test
