#pragma once

// The built module as a host drives it: loaded at run time, reached only
// through its exports and the plug-in's own interfaces, with the settings
// typed into its window, audio handed to it at real-time pace on an audio
// thread, and its events run on the test's thread, the GUI thread.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "host/host_object.h"
#include "host/recording_gui_toolkit.h"
#include "plugin_sdk/skyflume_contract.h"
#include "support/icecast_server.h"
#include "support/module_fixture.h"
#include "support/recording_application.h"
#include "support/settings_window.h"
#include "support/tone_audio_thread.h"

namespace skyflume::test {

inline constexpr std::chrono::seconds kEventTimeout{20};
inline constexpr int kHostRate = 44100;
inline constexpr double kToneHz = 1000.0;

class EndToEndTest : public ModuleTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ModuleTest::SetUp());
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

    // onStart runs first on the audio thread.
    void StartAudio(void (*onStart)() = nullptr) {
        audio = std::make_unique<ToneAudioThread>(application.AudioCallbacks().front(), kHostRate, kToneHz, onStart);
    }
    // Starts the test's server and types its address and the mount's login
    // into the window.
    void StartServer(IcecastOptions options = {}) {
        server.emplace(std::move(options));
        ASSERT_TRUE(server->Start()) << server->LastError();
        settings.TypeServer(server->Port(), server->Options().mount, server->Options().sourceUser,
                            server->Options().sourcePassword);
    }
    // Clicks Stream and waits until the plug-in streams.
    void StartStreaming() {
        settings.Click();
        ASSERT_TRUE(application.WaitForEvent(kEventStreamStarted, kEventTimeout));
        ASSERT_EQ(settings.Status(), "Status: streaming...");
    }
    // Waits for the run's last event, after which the window is idle with the status.
    void ExpectEndedWith(const std::string& status) {
        ASSERT_TRUE(application.WaitForEvent(kEventStreamEnded, kEventTimeout));
        settings.ExpectIdleWith(status);
    }

    RecordingGuiToolkit toolkit;
    RecordingApplication application{&toolkit};
    HostObject hostObject{&application};
    RPlugin* plugin = nullptr;
    bool released = false;
    SettingsWindow settings{toolkit};
    std::optional<IcecastServer> server;
    std::unique_ptr<ToneAudioThread> audio;
};

}  // namespace skyflume::test
