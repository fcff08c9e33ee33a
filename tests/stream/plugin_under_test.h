#pragma once

// The plug-in object inside a recording host, with its stream fields open
// to the tests.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "broadcast/skyflume_plugin.h"
#include "host/host_object.h"
#include "host/recording_application.h"
#include "host/recording_gui_toolkit.h"
#include "stream/stream_fixture.h"

namespace skyflume::test {

class PluginUnderTest final : public SkyflumePlugin {
public:
    explicit PluginUnderTest(int& destroyed) : destroyed(destroyed) {}
    ~PluginUnderTest() override { ++destroyed; }

    using SkyflumePlugin::PrepareStreamParams;
    using SkyflumePlugin::worker;

    // A host's audio thread that stalls: the next OnAudio call that passes
    // its flag test is held there for this long.
    void HoldNextCapture(std::chrono::milliseconds hold) { holdFor = hold; }
    // Whether a call is being held right now.
    bool CaptureHeld() const { return held; }

protected:
    void OnCaptureAdmitted() override {
        const std::chrono::milliseconds hold = holdFor.exchange(std::chrono::milliseconds(0));
        if (hold.count() > 0) {
            held = true;
            std::this_thread::sleep_for(hold);
            held = false;
        }
    }

private:
    int& destroyed;
    std::atomic<std::chrono::milliseconds> holdFor{std::chrono::milliseconds(0)};
    std::atomic<bool> held{false};
};

inline constexpr std::chrono::seconds kEventTimeout{15};

// An initialised and activated plug-in with its window open. At the end the
// host deactivates it, runs what is still posted, unloads and releases it;
// then it must be gone and nothing of the toolkit may be held.
class StreamControlTest : public ::testing::Test {
protected:
    StreamControlTest() {
        EXPECT_EQ(object->Initialize(nullptr, kPluginInterfaceVersion, &hostObject), 1);
        object->Activate();
    }
    ~StreamControlTest() override {
        object->Deactivate();
        application.DeliverEvents();
        EXPECT_TRUE(application.WaitForThreads(kEventTimeout));
        object->Unload(1);
        EXPECT_EQ(object->Release(), 0);
        EXPECT_EQ(destroyed, 1);
        EXPECT_EQ(toolkit.LiveComponents(), 0);
        EXPECT_EQ(toolkit.HeldReferences(), 0);
    }

    StreamWorker& Worker() { return object->worker; }
    const char* Url() { return object->worker.streamParams->url; }

    RecordingGuiToolkit toolkit;
    RecordingApplication application{&toolkit};
    HostObject hostObject{&application};
    int destroyed = 0;
    PluginUnderTest* object = new PluginUnderTest(destroyed);
    SettingsWindow settings{toolkit};
};

}  // namespace skyflume::test
