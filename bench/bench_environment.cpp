#include "bench_environment.h"

BenchEnvironment::BenchEnvironment(const std::string& modulePath, const std::filesystem::path& folder)
    : module(modulePath), folder(folder) {
    if (module.GetPlugin() == nullptr) {
        error = "cannot load the module: " + module.Error();
        return;
    }
    if (!server.Start()) {
        error = "icecast2 did not start: " + server.LastError();
        return;
    }
    relay = std::make_unique<SourceRelay>(server.Port());
    if (relay->Port() == 0) {
        error = "no loopback port for the relay";
        return;
    }
    error = signal.WriteRaw(RawSignal());
}

std::unique_ptr<BenchPlugin> BenchEnvironment::NewPlugin(std::string& error) {
    auto plugin = std::make_unique<BenchPlugin>(module.GetPlugin(), application, hostObject, toolkit);
    if (!plugin->Ready()) {
        error = "the plug-in did not initialise";
        return nullptr;
    }
    return plugin;
}

std::string BenchEnvironment::NewMount(std::string_view purpose) {
    return "/" + std::string(purpose) + "-" + std::to_string(++mounts);
}

StreamSettings BenchEnvironment::Direct(const std::string& mount, int32_t bitRateKbps, int32_t outputRate) const {
    return {server.Port(), mount, "source", server.Options().generalSourcePassword, bitRateKbps, outputRate};
}

StreamSettings BenchEnvironment::ThroughRelay(const std::string& mount, int32_t bitRateKbps, int32_t outputRate) const {
    StreamSettings settings = Direct(mount, bitRateKbps, outputRate);
    settings.port = relay->Port();
    return settings;
}

std::string BenchEnvironment::RelayUrl(const std::string& mount) const {
    return "icecast://source:" + server.Options().generalSourcePassword +
           "@127.0.0.1:" + std::to_string(relay->Port()) + mount;
}
