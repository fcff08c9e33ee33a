#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "bench_application.h"
#include "host/host_object.h"
#include "host/loaded_module.h"
#include "host/recording_gui_toolkit.h"
#include "host/settings_window_driver.h"
#include "metered_thread.h"

// What one plug-in object is to stream, as a user types it into its window.
struct StreamSettings {
    uint16_t port = 0;
    std::string mount;
    std::string user;
    std::string password;
    int32_t bitRateKbps = 128;
    int32_t outputRate = 44100;
};

// One plug-in object of the loaded module, driven through its own
// interfaces as a host drives it: initialised, activated with its settings
// window open, settings typed into the window, Stream and Stop clicked.
// Everything here runs on the GUI thread.
class BenchPlugin {
public:
    using Duration = std::chrono::duration<double>;

    BenchPlugin(LoadedModule::GetPluginFunction getPlugin, BenchApplication& application, HostObject& hostObject,
                RecordingGuiToolkit& toolkit);
    // Deactivated (which stops a stream), unloaded and released.
    ~BenchPlugin();
    BenchPlugin(const BenchPlugin&) = delete;
    BenchPlugin& operator=(const BenchPlugin&) = delete;

    // False when the plug-in could not be initialised or opened no window.
    bool Ready() const { return window != nullptr && audio != nullptr; }

    // What could not be typed or picked makes the next Start fail.
    void Type(const StreamSettings& settings);
    // Clicks Stream; answers the time until the stream-started event has
    // run, or none when it did not come (Status() tells why).
    std::optional<Duration> Start();
    // Clicks Stop; answers the time until the stream-ended event has run,
    // or none when it did not come or the run did not end as "done".
    std::optional<Duration> Stop();
    // The window's status text, or what could not be typed.
    std::string Status() const;

    // The plug-in's audio callback, as it registered it with the host.
    SXAudioCallback* Audio() const { return audio; }
    // The worker of the last start.
    std::shared_ptr<const ThreadMeter> Worker() const { return worker; }

private:
    SettingsWindowDriver Driver() const { return {toolkit, *window}; }

    BenchApplication& application;
    RecordingGuiToolkit& toolkit;
    RPlugin* plugin = nullptr;
    ComponentRecord* window = nullptr;
    SXAudioCallback* audio = nullptr;
    std::shared_ptr<const ThreadMeter> worker;
    std::string typingError;
};
