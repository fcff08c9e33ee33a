#pragma once

#include <gtest/gtest.h>

#include <string>

#include "broadcast/plugin_state.h"
#include "broadcast/skyflume_plugin.h"
#include "common/settings_controls.h"
#include "host/host_object.h"
#include "host/recording_application.h"
#include "host/recording_gui_toolkit.h"

// The plug-in as the host sees it, counting its destructions.
class CountedPlugin final : public SkyflumePlugin {
public:
    explicit CountedPlugin(int& destroyed) : destroyed(destroyed) {}
    ~CountedPlugin() override { ++destroyed; }

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

    // The open window; fails the test when there is none.
    ComponentRecord& Window() {
        ComponentRecord* window = toolkit.OpenWindow();
        if (window == nullptr) {
            ADD_FAILURE() << "no window is open";
            static ComponentRecord none{};
            return none;
        }
        return *window;
    }
    ComponentRecord& ControlAt(int number) { return *toolkit.ControlsOf(Window()).at(number - 1); }

    int WindowsCreated() const {
        int windows = 0;
        for (const auto& record : toolkit.Components()) {
            windows += record->kind == ComponentKind::Window ? 1 : 0;
        }
        return windows;
    }

    RecordingGuiToolkit toolkit;
    RecordingApplication application{&toolkit};
    HostObject hostObject{&application};
    int destroyed = 0;
    SkyflumePlugin* object = new CountedPlugin(destroyed);
    RPlugin* plugin = object;
};

inline HostText Repeated(WChar unit, size_t count) {
    return HostText(count, unit);
}
