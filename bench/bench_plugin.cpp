#include "bench_plugin.h"

#include "host/text_conversion.h"
#include "plugin_sdk/skyflume_contract.h"

namespace {

constexpr std::chrono::seconds kEventTimeout{20};

}  // namespace

BenchPlugin::BenchPlugin(LoadedModule::GetPluginFunction getPlugin, BenchApplication& application,
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
    SettingsWindowDriver driver = Driver();
    typingError.clear();
    for (const std::string& error :
         {driver.Type("Server URL", "127.0.0.1"), driver.Type("Server Port", std::to_string(settings.port)),
          driver.Type("Mount Point", settings.mount), driver.Type("User Name", settings.user),
          driver.Type("Password", settings.password),
          driver.Pick("Bit Rate", std::to_string(settings.bitRateKbps) + " kbps"),
          driver.Pick("Sample Rate", std::to_string(settings.outputRate) + " Hz")}) {
        if (typingError.empty()) {
            typingError = error;
        }
    }
}

std::optional<BenchPlugin::Duration> BenchPlugin::Start() {
    if (!typingError.empty()) {
        return std::nullopt;
    }
    const auto clicked = std::chrono::steady_clock::now();
    Driver().ClickStreamButton();
    worker = application.LastThread();
    if (!application.WaitForEvent(kEventStreamStarted, kEventTimeout) || Status() != "Status: streaming...") {
        return std::nullopt;
    }
    return std::chrono::steady_clock::now() - clicked;
}

std::optional<BenchPlugin::Duration> BenchPlugin::Stop() {
    const auto clicked = std::chrono::steady_clock::now();
    Driver().ClickStreamButton();
    if (!application.WaitForEvent(kEventStreamEnded, kEventTimeout) || Status() != "Status: done.") {
        return std::nullopt;
    }
    return std::chrono::steady_clock::now() - clicked;
}

std::string BenchPlugin::Status() const {
    return typingError.empty() ? Utf16ToUtf8(Driver().StatusText().c_str()) : typingError;
}
