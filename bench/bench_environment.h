#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "bench_application.h"
#include "bench_plugin.h"
#include "host/host_object.h"
#include "host/loaded_module.h"
#include "host/recording_gui_toolkit.h"
#include "source_relay.h"
#include "support/icecast_server.h"
#include "test_signal.h"

// What every benchmark shares: the module loaded into one host, a real
// icecast2 on loopback with a relay in front of it, the test signal, and a
// folder for what the contenders write. Lives on the GUI thread.
class BenchEnvironment {
public:
    static constexpr int32_t kSignalSeconds = 60;

    BenchEnvironment(const std::string& modulePath, const std::filesystem::path& folder);
    BenchEnvironment(const BenchEnvironment&) = delete;
    BenchEnvironment& operator=(const BenchEnvironment&) = delete;

    // Empty when everything is in place.
    const std::string& Error() const { return error; }

    // A new plug-in object of the module, initialised and activated in the
    // host that runs at `hostRate`; none, with the reason in `error`, when
    // it did not initialise.
    std::unique_ptr<BenchPlugin> NewPlugin(std::string& error, int32_t hostRate = TestSignal::kRate);
    // A mount that no source has used yet in this run: icecast2 keeps a
    // mount taken for a moment after its source left.
    std::string NewMount(std::string_view purpose);
    // A stream to the server itself, or through the relay.
    StreamSettings Direct(const std::string& mount, int32_t bitRateKbps, int32_t outputRate) const;
    StreamSettings ThroughRelay(const std::string& mount, int32_t bitRateKbps, int32_t outputRate) const;
    // Types a stream through the relay to a new mount for `purpose` into the
    // plug-in and starts it; answers the mount's traffic, or none when the
    // stream did not start (the plug-in's Status() tells why).
    std::shared_ptr<SourceTraffic> StartThroughRelay(BenchPlugin& plugin, std::string_view purpose, int32_t bitRateKbps,
                                                     int32_t outputRate, bool keepBody = false);
    // The URL with which the ffmpeg command line sends to `mount` through the relay.
    std::string RelayUrl(const std::string& mount) const;

    // The host at the test signal's rate.
    BenchApplication& Application() { return hosts.at(TestSignal::kRate)->application; }
    skyflume::test::IcecastServer& Server() { return server; }
    SourceRelay& Relay() { return *relay; }
    const TestSignal& Signal() const { return signal; }
    const std::filesystem::path& Folder() const { return folder; }
    // The test signal as a raw file, for the command lines.
    std::filesystem::path RawSignal() const { return folder / "signal.s16le"; }

private:
    // One application per host rate, all on the GUI thread.
    struct Host {
        Host(RecordingGuiToolkit& toolkit, int32_t rate) : application(&toolkit, rate) {}
        BenchApplication application;
        HostObject hostObject{&application};
    };

    std::string error;
    std::unique_ptr<LoadedModule> module;
    LoadedModule::GetPluginFunction getPlugin = nullptr;
    RecordingGuiToolkit toolkit;
    std::map<int32_t, std::unique_ptr<Host>> hosts;
    skyflume::test::IcecastServer server;
    std::unique_ptr<SourceRelay> relay;
    TestSignal signal{kSignalSeconds};
    std::filesystem::path folder;
    int mounts = 0;
};
