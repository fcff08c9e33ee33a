#include "host/sonaplex_host/session.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <span>

#include "host/app/audio_clock.h"
#include "host/app/state_file.h"
#include "host/app/window_picture.h"
#include "host/host_object.h"
#include "host/recording_gui_toolkit.h"
#include "host/sonaplex_host/exit_status.h"
#include "host/sonaplex_host/host_application.h"
#include "host/sonaplex_host/module_loader.h"
#include "host/sonaplex_host/settings_window_user.h"
#include "host/sonaplex_host/stop_signals.h"
#include "host/sonaplex_host/window_snapshot.h"
#include "host/text_conversion.h"
#include "plugin_sdk/ref_ptr.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long the GUI thread waits for an event before it looks at the stop
// signals, the input and the duration again.
constexpr auto kLookAroundInterval = std::chrono::milliseconds(50);

constexpr std::u16string_view kConnecting = u"Status: connecting...";
constexpr std::u16string_view kStreaming = u"Status: streaming...";
constexpr std::u16string_view kDone = u"Status: done.";
constexpr std::u16string_view kCreateError = u"Status: stream create error.";
constexpr std::u16string_view kWriteError = u"Status: stream write error.";
constexpr std::u16string_view kInternalError = u"Status: internal error";

std::string Utf8(const HostText& text) {
    return Utf16ToUtf8(text.c_str());
}

void Complain(const std::string& text) {
    std::cerr << "sonaplex-host: " << text << std::endl;
}

// The status texts that only the end of a stream shows.
bool IsFinal(const HostText& status) {
    return status == kDone || status == kCreateError || status == kWriteError || status.starts_with(kInternalError);
}

// Prints, with the time since the host started, every status text as it
// changes and every message the plug-in shows.
class Reporter {
public:
    explicit Reporter(const HostApplication& application) : application(application) {}

    void Say(const std::string& line) const {
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        std::printf("%7.2f s  %s\n", elapsed, line.c_str());
        std::fflush(stdout);
    }

    void ReportNews(const SettingsWindowUser* user) {
        const auto& messages = application.Messages();
        for (; messagesShown < messages.size(); ++messagesShown) {
            const HostApplication::Message& message = messages[messagesShown];
            Say(std::string(message.boxed ? "message box \"" : "message \"") + Utf8(message.caption) +
                "\": " + Utf8(message.text));
        }
        if (user != nullptr) {
            const HostText status = user->StatusText();
            if (status != lastStatus) {
                lastStatus = status;
                Say(Utf8(status));
            }
        }
    }

    bool ShowedMessages() const { return !application.Messages().empty(); }

private:
    const HostApplication& application;
    const Clock::time_point start = Clock::now();
    size_t messagesShown = 0;
    HostText lastStatus;
};

std::string DrawWindow(const RecordingGuiToolkit& toolkit, const ComponentRecord& window,
                       const std::filesystem::path& png) {
    return DrawWindowPicture(SnapshotOf(toolkit, window), png);
}

// From the Stream click to the status that ends the stream. Audio starts
// playing once the stream is up; the end of the input, --duration, or a stop
// signal then clicks Stop, which blocks until the plug-in's worker has ended.
class StreamRun {
public:
    StreamRun(const Options& options, HostApplication& application, RecordingGuiToolkit& toolkit,
              SettingsWindowUser& user, Reporter& reporter)
        : options(options), application(application), toolkit(toolkit), user(user), reporter(reporter) {}

    int Run(std::unique_ptr<AudioSource> source) {
        user.ClickStreamButton();
        reporter.ReportNews(&user);
        if (user.StatusText() != kConnecting) {
            Complain("the plug-in did not start a stream");
            return kExitRefused;
        }
        int status = kExitDone;
        for (;;) {
            application.RunEvents(Clock::now() + kLookAroundInterval);
            reporter.ReportNews(&user);
            const HostText text = user.StatusText();
            if (IsFinal(text)) {
                break;
            }
            if (text == kStreaming && !audio) {
                status = StartAudio(source);
            }
            if (const char* reason = StopReason(); reason != nullptr && !stopClicked && text == kStreaming) {
                reporter.Say(std::string("clicking Stop: ") + reason);
                stopClicked = true;
                user.ClickStreamButton();
                reporter.ReportNews(&user);
            }
        }
        if (audio) {
            audio->Stop();
        }
        if (user.StatusText() != kDone) {
            return kExitStreamFailed;
        }
        return status;
    }

private:
    int StartAudio(std::unique_ptr<AudioSource>& source) {
        streamingSince = Clock::now();
        audio = std::make_unique<AudioClock>(
            std::move(source), options.hostRate,
            [this](const float* frames, int32_t count) { application.DeliverAudio(frames, count); },
            [this] {
                inputEnded = true;
                application.Wake();
            },
            std::chrono::milliseconds(options.blockMs));
        if (!options.windowPng) {
            return kExitDone;
        }
        if (const std::string error = DrawWindow(toolkit, user.Window(), *options.windowPng); !error.empty()) {
            Complain("cannot draw the window: " + error);
            return kExitHostFailure;
        }
        reporter.Say("drew the settings window into " + options.windowPng->string());
        return kExitDone;
    }

    // Why the stream is to stop now; none while it is to go on.
    const char* StopReason() {
        if (const int signal = StopSignal(); signal != 0) {
            return signal == SIGINT ? "interrupted (SIGINT)" : "terminated (SIGTERM)";
        }
        if (inputEnded) {
            return "end of the input";
        }
        if (streamingSince && options.durationSeconds &&
            Clock::now() - *streamingSince >= std::chrono::duration<double>(*options.durationSeconds)) {
            return "duration reached";
        }
        return nullptr;
    }

    const Options& options;
    HostApplication& application;
    RecordingGuiToolkit& toolkit;
    SettingsWindowUser& user;
    Reporter& reporter;
    std::unique_ptr<AudioClock> audio;
    std::optional<Clock::time_point> streamingSince;
    std::atomic<bool> inputEnded{false};
    bool stopClicked = false;
};

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

    int UseWindow(std::unique_ptr<AudioSource> source) {
        ComponentRecord* window = SettingsWindow();
        if (window == nullptr) {
            Complain("the plug-in opened no settings window");
            return kExitRefused;
        }
        SettingsWindowUser user(toolkit, *window);
        reporter.ReportNews(&user);
        if (const std::string error = user.EnterSettings(options); !error.empty()) {
            Complain(error);
            return kExitUsage;
        }
        if (options.action == Options::Action::DrawWindow) {
            if (const std::string error = DrawWindow(toolkit, *window, *options.windowPng); !error.empty()) {
                Complain("cannot draw the window: " + error);
                return kExitHostFailure;
            }
            reporter.Say("drew the settings window into " + options.windowPng->string());
            return kExitDone;
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
        OpenedAudioSource opened = OpenAudioSource(options.input, options.hostRate, options.loop);
        if (!opened.source) {
            Complain("cannot open the input " + options.input + ": " + opened.error);
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
