// The built module streaming to a real icecast2, as a host drives it: loaded
// at run time, reached only through its exports and the plug-in's own
// interfaces, with the settings typed into its window, audio handed to it at
// real-time pace on an audio thread, and its events run on this thread, the
// GUI thread.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "common/tone_audio_thread.h"
#include "host/host_object.h"
#include "host/recording_application.h"
#include "host/recording_gui_toolkit.h"
#include "host/text_conversion.h"
#include "plugin_sdk/r_plugin.h"
#include "plugin_sdk/skyflume_contract.h"
#include "stream/stream_fixture.h"
#include "support/icecast_server.h"
#include "support/listener.h"
#include "support/signal_analysis.h"

namespace skyflume::test {
namespace {

using GetPluginFunction = RPlugin* (*)(RPlugin**);
using namespace std::chrono_literals;

constexpr auto kEventTimeout = 20s;
constexpr int kHostRate = 44100;
constexpr double kToneHz = 1000.0;

class EndToEndTest : public ::testing::Test {
protected:
    // Kept loaded, as a host keeps its plug-in modules.
    static void SetUpTestSuite() { module = LoadLibraryW(Utf8ToUtf16(SKYFLUME_MODULE_PATH).c_str()); }

    void SetUp() override {
        ASSERT_NE(module, nullptr);
        const auto getPlugin = reinterpret_cast<GetPluginFunction>(GetProcAddress(module, "GetPlugin"));
        ASSERT_NE(getPlugin, nullptr);
        getPlugin(&plugin);
        ASSERT_NE(plugin, nullptr);
        ASSERT_EQ(plugin->Initialize(nullptr, kPluginInterfaceVersion, &hostObject), 1);
        plugin->Activate();
        ASSERT_NE(toolkit.OpenWindow(), nullptr);
        ASSERT_EQ(application.AudioCallbacks().size(), 1u);
    }
    void TearDown() override {
        audio.reset();
        if (plugin == nullptr || released) {
            return;
        }
        plugin->Deactivate();
        application.DeliverEvents();
        EXPECT_TRUE(application.WaitForThreads(kEventTimeout));
        plugin->Unload(1);
        EXPECT_EQ(plugin->Release(), 0);
        EXPECT_EQ(toolkit.LiveComponents(), 0);
    }

    void StartAudio() { audio = std::make_unique<ToneAudioThread>(application.AudioCallbacks().front(), kHostRate, kToneHz); }
    bool StartServer(IcecastServer& server) {
        if (!server.Start()) {
            ADD_FAILURE() << server.LastError();
            return false;
        }
        return true;
    }
    void ExpectIdleWith(const std::string& status) {
        EXPECT_EQ(settings.Status(), status);
        EXPECT_EQ(settings.ButtonCaption(), "Stream");
        EXPECT_TRUE(settings.ButtonEnabled());
        EXPECT_EQ(settings.EnabledInputs(), static_cast<int>(std::size(kInputControls)));
        EXPECT_TRUE(settings.Closable());
    }
    // Clicks Stream and waits until the plug-in streams.
    void StartStreaming() {
        settings.Click();
        ASSERT_TRUE(application.WaitForEvent(kEventStreamStarted, kEventTimeout));
        ASSERT_EQ(settings.Status(), "Status: streaming...");
    }

    static inline HMODULE module = nullptr;
    RecordingGuiToolkit toolkit;
    RecordingApplication application{&toolkit};
    HostObject hostObject{&application};
    RPlugin* plugin = nullptr;
    bool released = false;
    SettingsWindow settings{toolkit};
    std::unique_ptr<ToneAudioThread> audio;
};

TEST_F(EndToEndTest, StreamsTheHostsAudioAndTheWindowFollowsEachState) {
    IcecastServer server;
    ASSERT_TRUE(StartServer(server));
    settings.TypeServer(server.Port(), "/stream", "admin", "tovrz");
    toolkit.PickItem(settings.At(kSampleRateCombo), 1);
    toolkit.PickItem(settings.At(kBitRateCombo), 6);
    StartAudio();

    settings.Click();
    EXPECT_EQ(settings.Status(), "Status: connecting...");
    EXPECT_FALSE(settings.ButtonEnabled());
    EXPECT_EQ(settings.EnabledInputs(), 0);
    EXPECT_FALSE(settings.Closable());

    ASSERT_TRUE(application.WaitForEvent(kEventStreamStarted, kEventTimeout));
    EXPECT_EQ(settings.Status(), "Status: streaming...");
    EXPECT_EQ(settings.ButtonCaption(), "Stop");
    EXPECT_TRUE(settings.ButtonEnabled());
    EXPECT_EQ(settings.EnabledInputs(), 0);
    EXPECT_FALSE(settings.Closable());

    Listener listener;
    listener.Start(server.MountUrl());
    ASSERT_TRUE(listener.WaitForSeconds(2.0, 15s)) << listener.Snapshot().error;
    const ListenResult heard = listener.StopAndJoin();
    EXPECT_EQ(heard.sampleRate, 48000);
    EXPECT_EQ(heard.bitRate, 192000);
    EXPECT_NEAR(DominantFrequency(heard.left, heard.sampleRate), kToneHz, 10.0);

    // Returns once the worker has ended; the rest waits for its last event.
    settings.Click();
    EXPECT_FALSE(settings.ButtonEnabled());
    EXPECT_EQ(settings.Status(), "Status: streaming...");
    ASSERT_TRUE(application.WaitForEvent(kEventStreamEnded, kEventTimeout));
    ExpectIdleWith("Status: done.");
}

TEST_F(EndToEndTest, AWrongPasswordEndsWithStreamCreateError) {
    IcecastServer server;
    ASSERT_TRUE(StartServer(server));
    settings.TypeServer(server.Port(), "/stream", "admin", "wrong");
    settings.Click();
    ASSERT_TRUE(application.WaitForEvent(kEventStreamEnded, kEventTimeout));
    ExpectIdleWith("Status: stream create error.");
}

TEST_F(EndToEndTest, AServerThatVanishesMidStreamEndsWithStreamWriteError) {
    IcecastServer server;
    ASSERT_TRUE(StartServer(server));
    settings.TypeServer(server.Port(), "/stream", "admin", "tovrz");
    StartAudio();
    ASSERT_NO_FATAL_FAILURE(StartStreaming());
    ASSERT_TRUE(server.SourceConnected());
    server.Kill();
    ASSERT_TRUE(application.WaitForEvent(kEventStreamEnded, kEventTimeout));
    ExpectIdleWith("Status: stream write error.");
}

TEST_F(EndToEndTest, APasswordWithUrlCharactersLogsInAsTyped) {
    IcecastOptions options;
    options.sourcePassword = "p@ss:w/rd%x";
    IcecastServer server(options);
    ASSERT_TRUE(StartServer(server));
    settings.TypeServer(server.Port(), "/stream", "admin", "p@ss:w/rd%x");
    StartAudio();
    ASSERT_NO_FATAL_FAILURE(StartStreaming());
    EXPECT_TRUE(server.SourceConnected());
    settings.Click();
    ASSERT_TRUE(application.WaitForEvent(kEventStreamEnded, kEventTimeout));
    ExpectIdleWith("Status: done.");
}

TEST_F(EndToEndTest, DeactivationWhileConnectingEndsTheWorkerSoThatTheObjectCanGo) {
    // Accepts the connection and never answers: the worker waits for its time-out.
    LoopbackPort silent(LoopbackPort::Kind::Silent);
    settings.TypeServer(silent.Number(), "/stream", "admin", "tovrz");
    settings.Click();
    ASSERT_EQ(settings.Status(), "Status: connecting...");

    plugin->Deactivate();
    plugin->Unload(1);
    // The worker's last event is already queued, and holds the object.
    EXPECT_EQ(plugin->Release(), 1);
    released = true;
    EXPECT_TRUE(application.WaitForEvent(kEventStreamEnded, 0ms));
    EXPECT_EQ(toolkit.LiveComponents(), 0);
}

}  // namespace
}  // namespace skyflume::test
