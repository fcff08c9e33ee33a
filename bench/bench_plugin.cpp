#include "bench_plugin.h"

#include "plugin_sdk/skyflume_contract.h"

namespace {

constexpr std::chrono::seconds kEventTimeout{20};

}  // namespace

BenchPlugin::BenchPlugin(ModuleLibrary::GetPluginFunction getPlugin, BenchApplication& application,
                         HostObject& hostObject, RecordingGuiToolkit& toolkit)
    : application(application), toolkit(toolkit) {
    getPlugin(&plugin);
    if (plugin == nullptr || plugin->Initialize(nullptr, kPluginInterfaceVersion, &hostObject) != 1) {
        return;
    }
    const size_t callbacksBefore = application.AudioCallbacks().size();
    plugin->Activate();
    const std::vector<SXAudioCallback*> callbacks = application.AudioCallbacks();
    if (callbacks.size() == callbacksBefore + 1) {
        audio = callbacks.back();
    }
    window = toolkit.OpenWindow();
}

BenchPlugin::~BenchPlugin() {
    if (plugin == nullptr) {
        return;
    }
    plugin->Deactivate();
    application.DeliverEvents();
    application.WaitForThreads();
    plugin->Unload(1);
    plugin->Release();
}

void BenchPlugin::Type(const StreamSettings& settings) {
    const skyflume::test::SettingsWindow window = Settings();
    window.TypeServer(settings.port, settings.mount, settings.user, settings.password);
    window.Pick(kBitRateCombo, std::to_string(settings.bitRateKbps) + " kbps");
    window.Pick(kSampleRateCombo, std::to_string(settings.outputRate) + " Hz");
}

std::optional<BenchPlugin::Duration> BenchPlugin::Start() {
    const auto clicked = std::chrono::steady_clock::now();
    Settings().Click();
    worker = application.LastThread();
    if (!application.WaitForEvent(kEventStreamStarted, kEventTimeout) || Status() != "Status: streaming...") {
        return std::nullopt;
    }
    return std::chrono::steady_clock::now() - clicked;
}

std::optional<BenchPlugin::Duration> BenchPlugin::Stop() {
    const auto clicked = std::chrono::steady_clock::now();
    Settings().Click();
    if (!application.WaitForEvent(kEventStreamEnded, kEventTimeout) || Status() != "Status: done.") {
        return std::nullopt;
    }
    return std::chrono::steady_clock::now() - clicked;
}

std::string BenchPlugin::Status() const {
    return Settings().Status();
}
