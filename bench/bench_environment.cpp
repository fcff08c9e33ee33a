#include "bench_environment.h"

BenchEnvironment::BenchEnvironment(const std::string& modulePath, const std::filesystem::path& folder)
    : folder(folder) {
    LoadedModule::Result loaded = LoadedModule::Load(modulePath);
    if (!loaded.module) {
        error = loaded.error;
        return;
    }
    module = std::move(loaded.module);
    getPlugin = module->GetPlugin(error);
    if (getPlugin == nullptr) {
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

std::unique_ptr<BenchPlugin> BenchEnvironment::NewPlugin(std::string& error, int32_t hostRate) {
    std::unique_ptr<Host>& host = hosts[hostRate];
    if (!host) {
        host = std::make_unique<Host>(toolkit, hostRate);
    }
    auto plugin = std::make_unique<BenchPlugin>(getPlugin, host->application, host->hostObject, toolkit);
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

std::shared_ptr<SourceTraffic> BenchEnvironment::StartThroughRelay(BenchPlugin& plugin, std::string_view purpose,
                                                                   int32_t bitRateKbps, int32_t outputRate,
                                                                   bool keepBody) {
    const std::string mount = NewMount(purpose);
    auto traffic = relay->Watch(mount, keepBody);
    plugin.Type(ThroughRelay(mount, bitRateKbps, outputRate));
    return plugin.Start() ? traffic : nullptr;
}

std::string BenchEnvironment::RelayUrl(const std::string& mount) const {
    return "icecast://source:" + server.Options().generalSourcePassword +
           "@127.0.0.1:" + std::to_string(relay->Port()) + mount;
}
