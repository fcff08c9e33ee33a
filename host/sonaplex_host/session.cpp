#include "host/sonaplex_host/session.h"

#include <memory>
#include <span>

#include "host/app/audio_source.h"
#include "host/app/state_file.h"
#include "host/host_object.h"
#include "host/recording_gui_toolkit.h"
#include "host/sonaplex_host/exit_status.h"
#include "host/sonaplex_host/host_application.h"
#include "host/sonaplex_host/module_loader.h"
#include "host/sonaplex_host/reporter.h"
#include "host/sonaplex_host/settings_window_user.h"
#include "host/sonaplex_host/stop_signals.h"
#include "host/sonaplex_host/stream_run.h"
#include "plugin_sdk/ref_ptr.h"

namespace {

// The plug-in object from GetPlugin to its final Release, driven in the
// order the host contract fixes.
class PluginRun {
public:
    PluginRun(const Options& options, RPlugin* plugin) : options(options), plugin(plugin) {}

    int Run(std::unique_ptr<AudioSource> source) {
        int status = Initialize();
        if (status == kExitDone) {
            RestoreState();
            plugin->Activate();
            reporter.ReportNews(nullptr);
            status = UseWindow(std::move(source));
            plugin->Deactivate();
            reporter.ReportNews(nullptr);
            status = SaveState(status);
            plugin->Unload(1);
        }
        application.WaitForThreads();
        plugin->Release();
        return status;
    }

private:
    int Initialize() {
        RefPtr<RString> name;
        RefPtr<RString> author;
        plugin->GetPluginName(name.Receive());
        plugin->GetPluginAuthor(author.Receive());
        reporter.Say("plug-in " + Utf8(TextOf(name.Get())) + " by " + Utf8(TextOf(author.Get())));
        if (plugin->Initialize(nullptr, kPluginInterfaceVersion, &hostObject) == 0) {
            Complain("the plug-in refused to initialise (Initialize answered 0)");
            return kExitModule;
        }
        return kExitDone;
    }

    void RestoreState() {
        const LoadedState loaded = LoadStateFile(options.state);
        if (!loaded.warning.empty()) {
            Complain(loaded.warning);
        }
        if (!loaded.block.empty()) {
            plugin->SetState(loaded.block.data(), static_cast<int32_t>(loaded.block.size()));
            reporter.Say("restored the settings from " + options.state.string());
        }
    }

    // The window that activation opened, or the one the plug-in's menu entry
    // opens when the user had closed it last time.
    ComponentRecord* SettingsWindow() {
        if (toolkit.OpenWindow() == nullptr && !application.MenuItems().empty()) {
            application.MenuItems().front().listener->OnMenuItemClicked(0);
            reporter.ReportNews(nullptr);
        }
        return toolkit.OpenWindow();
    }

    // Closing the window makes the plug-in store the typed texts, and
    // reopening it shows what it kept: a text kept shorter is named. The
    // texts are then typed again, so that this run streams them as given.
    ComponentRecord* ReopenAndNameCutTexts(ComponentRecord& window) {
        toolkit.RequestClose(window);
        ComponentRecord* reopened = SettingsWindow();
        if (reopened == nullptr) {
            return nullptr;
        }
        SettingsWindowUser user(toolkit, *reopened);
        for (const std::string& line : user.CutTexts(options)) {
            reporter.Say(line);
        }
        user.EnterSettings(options);
        return reopened;
    }

    int UseWindow(std::unique_ptr<AudioSource> source) {
        ComponentRecord* window = SettingsWindow();
        if (window == nullptr) {
            Complain("the plug-in opened no settings window");
            return kExitRefused;
        }
        if (const std::string error = SettingsWindowUser(toolkit, *window).EnterSettings(options); !error.empty()) {
            Complain(error);
            return kExitUsage;
        }
        if (SettingsWindowUser::TypesTexts(options)) {
            window = ReopenAndNameCutTexts(*window);
            if (window == nullptr) {
                Complain("the plug-in did not open its settings window again");
                return kExitRefused;
            }
        }
        SettingsWindowUser user(toolkit, *window);
        reporter.ReportNews(&user);
        if (options.action == Options::Action::DrawWindow) {
            return DrawSettingsWindow(toolkit, *window, *options.windowPng, reporter);
        }
        return StreamRun(options, application, toolkit, user, reporter).Run(std::move(source));
    }

    int SaveState(int status) {
        void* block = nullptr;
        const int32_t size = plugin->GetState(&block);
        const std::span<const uint8_t> bytes(static_cast<const uint8_t*>(block),
                                             block != nullptr && size > 0 ? size : 0);
        if (const std::string error = SaveStateFile(options.state, bytes); !error.empty()) {
            Complain("settings not saved: " + error);
            return status == kExitDone ? kExitHostFailure : status;
        }
        return status;
    }

    const Options& options;
    RPlugin* const plugin;
    RecordingGuiToolkit toolkit;
    HostApplication application{&toolkit, options.hostRate};
    HostObject hostObject{&application};
    Reporter reporter{application};
};

}  // namespace

int RunSession(const Options& options) {
    std::unique_ptr<AudioSource> source;
    if (options.action == Options::Action::Stream) {
        OpenedAudioSource opened = OpenPlaylist(options.inputs, options.hostRate, options.loop);
        if (!opened.source) {
            const std::string named = options.inputs.size() == 1 ? options.inputs.front() + ": " : "";
            Complain("cannot open the input " + named + opened.error);
            return kExitInput;
        }
        source = std::move(opened.source);
    }

    std::string error;
    const std::optional<std::filesystem::path> path = options.module ? options.module : RegisteredModulePath(error);
    if (!path) {
        Complain(error);
        return kExitModule;
    }
    const LoadedModule::Result loaded = LoadedModule::Load(*path);
    if (!loaded.module) {
        Complain(loaded.error);
        return kExitModule;
    }
    const LoadedModule::GetPluginFunction getPlugin = loaded.module->GetPlugin(error);
    if (getPlugin == nullptr) {
        Complain(error);
        return kExitModule;
    }
    RPlugin* plugin = nullptr;
    if (getPlugin(&plugin) == nullptr || plugin == nullptr) {
        Complain("GetPlugin of " + path->string() + " handed out no plug-in");
        return kExitModule;
    }
    InstallStopSignals();
    return PluginRun(options, plugin).Run(std::move(source));
}
