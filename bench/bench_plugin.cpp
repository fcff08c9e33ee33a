#include "bench_plugin.h"

#include <algorithm>

#include "host/text_conversion.h"
#include "plugin_sdk/skyflume_contract.h"
#include "support/settings_controls.h"

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

ComponentRecord& BenchPlugin::Control(int control) const {
    return *toolkit.ControlsOf(*window).at(static_cast<size_t>(control) - 1);
}

void BenchPlugin::Pick(int control, const std::string& item) {
    ComponentRecord& comboBox = Control(control);
    const auto found = std::find(comboBox.items.begin(), comboBox.items.end(), Utf8ToUtf16(item));
    toolkit.PickItem(comboBox, static_cast<int32_t>(found - comboBox.items.begin()));
}

void BenchPlugin::Type(const StreamSettings& settings) {
    toolkit.TypeText(Control(kServerHostBox), Utf8ToUtf16("127.0.0.1"));
    toolkit.TypeText(Control(kServerPortBox), Utf8ToUtf16(std::to_string(settings.port)));
    toolkit.TypeText(Control(kMountPointBox), Utf8ToUtf16(settings.mount));
    toolkit.TypeText(Control(kUserNameBox), Utf8ToUtf16(settings.user));
    toolkit.TypeText(Control(kPasswordBox), Utf8ToUtf16(settings.password));
    Pick(kBitRateCombo, std::to_string(settings.bitRateKbps) + " kbps");
    Pick(kSampleRateCombo, std::to_string(settings.outputRate) + " Hz");
}

std::optional<BenchPlugin::Duration> BenchPlugin::Start() {
    const auto clicked = std::chrono::steady_clock::now();
    toolkit.Click(Control(kStreamButton));
    worker = application.LastThread();
    if (!application.WaitForEvent(kEventStreamStarted, kEventTimeout) || Status() != "Status: streaming...") {
        return std::nullopt;
    }
    return std::chrono::steady_clock::now() - clicked;
}

std::optional<BenchPlugin::Duration> BenchPlugin::Stop() {
    const auto clicked = std::chrono::steady_clock::now();
    toolkit.Click(Control(kStreamButton));
    if (!application.WaitForEvent(kEventStreamEnded, kEventTimeout) || Status() != "Status: done.") {
        return std::nullopt;
    }
    return std::chrono::steady_clock::now() - clicked;
}

std::string BenchPlugin::Status() const {
    return Utf16ToUtf8(Control(kStatusLabel).text.c_str());
}
