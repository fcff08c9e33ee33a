// A Windows host in one program, for the end-to-end test under Wine: loads the
// module with LoadLibraryW, takes a plug-in from GetPlugin, types the server's
// settings into its window, clicks Stream and hands it a 1 kHz tone at
// real-time pace until the stop file appears, then clicks Stop and waits for
// "Status: done.". Answers 0 when every step went as a user would see it.
//
// Usage: stream_tone MODULE PORT STOP_FILE

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "common/settings_controls.h"
#include "common/tone_audio_thread.h"
#include "host/host_object.h"
#include "host/recording_application.h"
#include "host/recording_gui_toolkit.h"
#include "host/text_conversion.h"
#include "plugin_sdk/r_plugin.h"
#include "plugin_sdk/skyflume_contract.h"

namespace {

using namespace std::chrono_literals;
using GetPluginFunction = RPlugin* (*)(RPlugin**);

constexpr auto kEventTimeout = 20s;
// Bounds the stream when the test never writes the stop file.
constexpr auto kLongestStream = 60s;
constexpr int kHostRate = 44100;
constexpr double kToneHz = 1000.0;

bool Fail(const std::string& why) {
    std::fprintf(stderr, "stream_tone: %s\n", why.c_str());
    return false;
}

class Host {
public:
    // The plug-in goes back as the host lets go of it: deactivated, its
    // threads waited for, unloaded and released.
    ~Host() {
        if (plugin == nullptr) return;
        plugin->Deactivate();
        application.DeliverEvents();
        application.WaitForThreads(kEventTimeout);
        plugin->Unload(1);
        plugin->Release();
    }

    bool Open(const std::string& modulePath) {
        HMODULE module = LoadLibraryW(Utf8ToUtf16(modulePath).c_str());
        if (module == nullptr) return Fail("LoadLibraryW failed for " + modulePath);
        // Through void (*)(), the generic function type, which every compiler
        // accepts in a cast to the real one.
        const auto getPlugin = reinterpret_cast<GetPluginFunction>(
            reinterpret_cast<void (*)()>(GetProcAddress(module, "GetPlugin")));
        if (getPlugin == nullptr) return Fail("the module has no GetPlugin");
        if (getPlugin(&plugin) == nullptr || plugin == nullptr) return Fail("GetPlugin gave no plug-in");
        if (plugin->Initialize(nullptr, kPluginInterfaceVersion, &hostObject) != 1) return Fail("Initialize refused");
        plugin->Activate();
        if (toolkit.OpenWindow() == nullptr) return Fail("Activate opened no window");
        if (application.AudioCallbacks().size() != 1) return Fail("no audio callback registered");
        return true;
    }

    void Type(Control box, const std::string& text) { toolkit.TypeText(At(box), Utf8ToUtf16(text)); }
    void Click() { toolkit.Click(At(kStreamButton)); }
    std::string Status() { return Utf16ToUtf8(At(kStatusLabel).text.c_str()); }
    bool WaitForEvent(int32_t id) { return application.WaitForEvent(id, kEventTimeout); }
    SXAudioCallback* Audio() { return application.AudioCallbacks().front(); }

private:
    ComponentRecord& At(Control control) {
        return *toolkit.ControlsOf(*toolkit.OpenWindow()).at(static_cast<size_t>(control) - 1);
    }

    RecordingGuiToolkit toolkit;
    RecordingApplication application{&toolkit};
    HostObject hostObject{&application};
    RPlugin* plugin = nullptr;
};

bool Stream(const std::string& modulePath, const std::string& port, const std::filesystem::path& stopFile) {
    Host host;
    if (!host.Open(modulePath)) return false;
    host.Type(kServerHostBox, "127.0.0.1");
    host.Type(kServerPortBox, port);
    host.Type(kMountPointBox, "/stream");
    host.Type(kUserNameBox, "admin");
    host.Type(kPasswordBox, "tovrz");
    // Made after the host, so that it stops before the host lets go of the plug-in.
    ToneAudioThread audio(host.Audio(), kHostRate, kToneHz);
    host.Click();
    if (!host.WaitForEvent(kEventStreamStarted)) return Fail("the stream did not start; " + host.Status());
    if (host.Status() != "Status: streaming...") return Fail("after the start: " + host.Status());
    std::fprintf(stderr, "stream_tone: streaming\n");
    const auto end = std::chrono::steady_clock::now() + kLongestStream;
    while (!std::filesystem::exists(stopFile)) {
        if (std::chrono::steady_clock::now() > end) return Fail("no stop file came");
        std::this_thread::sleep_for(20ms);
    }
    host.Click();
    if (!host.WaitForEvent(kEventStreamEnded)) return Fail("the stream did not end; " + host.Status());
    if (host.Status() != "Status: done.") return Fail("after Stop: " + host.Status());
    std::fprintf(stderr, "stream_tone: done\n");
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: stream_tone MODULE PORT STOP_FILE\n");
        return 2;
    }
    return Stream(argv[1], argv[2], argv[3]) ? EXIT_SUCCESS : EXIT_FAILURE;
}
