#pragma once

// The plug-in object inside a recording host, as the plug-in and stream
// suites drive it.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "broadcast/plugin_state.h"
#include "broadcast/skyflume_plugin.h"
#include "host/host_string.h"
#include "support/recording_application.h"
#include "support/settings_window.h"
#include "support/test_gui_toolkit.h"
#include "support/test_host_object.h"

namespace skyflume::test {

// The plug-in as the host sees it, counting its destructions, with its
// stream run open to the tests.
class PluginUnderTest final : public SkyflumePlugin {
public:
    explicit PluginUnderTest(int& destroyed) : destroyed(destroyed) {}
    ~PluginUnderTest() override { ++destroyed; }

    using SkyflumePlugin::PrepareStreamParams;
    using SkyflumePlugin::worker;

private:
    int& destroyed;
};

// A new plug-in inside a recording host with a GUI toolkit. At the end the
// host deactivates a plug-in whose window is open and releases its
// reference, unless the test did so; then nothing of the toolkit may be held.
class PluginTest : public ::testing::Test {
protected:
    ~PluginTest() override {
        if (destroyed == 0) {
            if (toolkit.OpenWindow() != nullptr) {
                plugin->Deactivate();
            }
            plugin->Release();
        }
        EXPECT_EQ(toolkit.LiveComponents(), 0);
        EXPECT_EQ(toolkit.HeldReferences(), 0);
    }

    void Initialize() { ASSERT_EQ(plugin->Initialize(nullptr, kPluginInterfaceVersion, &hostObject), 1); }
    void InitializeAndActivate() {
        Initialize();
        plugin->Activate();
    }

    PluginState& State() {
        void* block = nullptr;
        plugin->GetState(&block);
        return *static_cast<PluginState*>(block);
    }

    int WindowsCreated() const {
        int windows = 0;
        for (const auto& record : toolkit.Components()) {
            windows += record->kind == ComponentKind::Window ? 1 : 0;
        }
        return windows;
    }

    TestGuiToolkit toolkit;
    RecordingApplication application{&toolkit};
    TestHostObject hostObject{&application};
    int destroyed = 0;
    PluginUnderTest* object = new PluginUnderTest(destroyed);
    RPlugin* plugin = object;
    SettingsWindow settings{toolkit};
};

inline HostText Repeated(WChar unit, size_t count) {
    return HostText(count, unit);
}

}  // namespace skyflume::test
