#include "host/sonaplex_host/station_stream.h"

#include <span>

#include "host/app/state_file.h"
#include "host/app/window_picture.h"
#include "host/app/window_snapshot.h"
#include "host/sonaplex_host/exit_status.h"
#include "host/sonaplex_host/failure_explanation.h"
#include "plugin_sdk/ref_ptr.h"

namespace {

constexpr std::u16string_view kConnecting = u"Status: connecting...";
constexpr std::u16string_view kStreaming = u"Status: streaming...";
constexpr std::u16string_view kDone = u"Status: done.";
constexpr std::u16string_view kCreateError = u"Status: stream create error.";
constexpr std::u16string_view kWriteError = u"Status: stream write error.";
constexpr std::u16string_view kInternalError = u"Status: internal error";

// The status texts that only the end of a stream shows.
bool IsFinal(const HostText& status) {
    return status == kDone || status == kCreateError || status == kWriteError || status.starts_with(kInternalError);
}

}  // namespace

StationStream::StationStream(const Options& options, const StreamSettings& settings, RPlugin* plugin,
                             EventQueue& events, LogWriter& log, std::function<const char*()> stopReason)
    : options(options),
      settings(settings),
      plugin(plugin),
      stopReason(std::move(stopReason)),
      application(&toolkit, options.hostRate, events),
      reporter(application, log, settings.mount.value_or("")) {}

int StationStream::Prepare() {
    if (const int failed = Initialize(); failed != kExitDone) {
        return failed;
    }
    RestoreState();
    plugin->Activate();
    reporter.ReportNews(nullptr);
    ComponentRecord* window = SettingsWindow();
    if (window == nullptr) {
        Complain("the plug-in opened no settings window");
        return kExitRefused;
    }
    if (const std::string error = SettingsWindowUser(toolkit, *window).EnterSettings(settings); !error.empty()) {
        Complain(error);
        return kExitUsage;
    }
    if (SettingsWindowUser::TypesTexts(settings)) {
        window = ReopenAndNameCutTexts(*window);
        if (window == nullptr) {
            Complain("the plug-in did not open its settings window again");
            return kExitRefused;
        }
    }
    user.emplace(toolkit, *window);
    if (reporter.Tag().empty()) {
        reporter.Retag(user->Connection().mount);
    }
    reporter.ReportNews(&*user);
    return kExitDone;
}

int StationStream::Initialize() {
    RefPtr<RString> name;
    RefPtr<RString> author;
    plugin->GetPluginName(name.Receive());
    plugin->GetPluginAuthor(author.Receive());
    reporter.Say("plug-in " + Utf8(TextOf(name.Get())) + " by " + Utf8(TextOf(author.Get())));
    if (plugin->Initialize(nullptr, kPluginInterfaceVersion, &hostObject) == 0) {
        Complain("the plug-in refused to initialise (Initialize answered 0)");
        return kExitModule;
    }
    initialized = true;
    return kExitDone;
}

void StationStream::RestoreState() {
    const LoadedState loaded = LoadStateFile(settings.state);
    if (!loaded.warning.empty()) {
        Complain(loaded.warning);
    }
    if (!loaded.block.empty()) {
        plugin->SetState(loaded.block.data(), static_cast<int32_t>(loaded.block.size()));
        reporter.Say("restored the settings from " + settings.state.string());
    }
}

// The window that activation opened, or the one the plug-in's menu entry
// opens when the user had closed it last time.
ComponentRecord* StationStream::SettingsWindow() {
    if (toolkit.OpenWindow() == nullptr && !application.MenuItems().empty()) {
        application.MenuItems().front().listener->OnMenuItemClicked(0);
        reporter.ReportNews(nullptr);
    }
    return toolkit.OpenWindow();
}

// Closing the window makes the plug-in store the typed texts, and reopening
// it shows what it kept: a text kept shorter is named. The texts are then
// typed again, so that this run streams them as given.
ComponentRecord* StationStream::ReopenAndNameCutTexts(ComponentRecord& window) {
    toolkit.RequestClose(window);
    ComponentRecord* reopened = SettingsWindow();
    if (reopened == nullptr) {
        return nullptr;
    }
    SettingsWindowUser reopenedUser(toolkit, *reopened);
    for (const std::string& line : reopenedUser.CutTexts(settings)) {
        reporter.Say(line);
    }
    reopenedUser.EnterSettings(settings);
    return reopened;
}

int StationStream::DrawWindow(const std::filesystem::path& png) {
    if (const std::string error = DrawWindowPicture(SnapshotOf(toolkit, user->Window()), png); !error.empty()) {
        Complain("cannot draw the window: " + error);
        return kExitHostFailure;
    }
    reporter.Say("drew the settings window into " + png.string());
    return kExitDone;
}

bool StationStream::ClickStream() {
    stopClicked = false;
    stopEventSent = false;
    user->ClickStreamButton();
    reporter.ReportNews(&*user);
    return user->StatusText() == kConnecting;
}

bool StationStream::Start(bool retryAtFirst) {
    retryFirst = retryAtFirst;
    if (!ClickStream()) {
        Complain("the plug-in did not start a stream");
        End(kExitRefused);
        return false;
    }
    return true;
}

void StationStream::End(int exitStatus) {
    ended = true;
    if (status == kExitDone) {
        status = exitStatus;
    }
}

void StationStream::CountTimeOnAir(bool streaming) {
    const auto now = Clock::now();
    if (streaming && !streamingSince) {
        streamingSince = now;
    } else if (!streaming && streamingSince) {
        onAir += now - *streamingSince;
        streamingSince.reset();
    }
}

void StationStream::Follow(const char* stopReason) {
    if (ended) {
        return;
    }
    reporter.ReportNews(&*user);
    const HostText text = user->StatusText();
    CountTimeOnAir(text == kStreaming);
    if (nextAttempt) {
        if (stopReason != nullptr) {
            reporter.Say(std::string("ending while the stream is down: ") + stopReason);
            End(kExitEndedOffAir);
        } else if (Clock::now() >= *nextAttempt) {
            nextAttempt.reset();
            attemptEnded = false;
            ++reconnects;
            if (!ClickStream()) {
                Complain("the plug-in did not start a stream again");
                End(kExitStreamFailed);
            }
        }
        return;
    }
    if (IsFinal(text)) {
        if (!attemptEnded) {
            attemptEnded = true;
            if (text == kDone) {
                End(kExitDone);
            } else {
                AfterFailure(text);
            }
        }
        return;
    }
    if (text == kStreaming) {
        backoff.Reset();
        if (!everUp) {
            everUp = true;
            firstUp = true;
            const ConnectionSettings connection = user->Connection();
            listeners.Watch(connection.server, connection.port, connection.mount);
        }
    }
    if (stopReason != nullptr && text == kStreaming && !stopClicked) {
        stopClicked = true;
        reporter.Say(std::string("clicking Stop: ") + stopReason);
        user->ClickStreamButton();
        reporter.ReportNews(&*user);
    } else if (stopReason != nullptr && text == kConnecting && !stopEventSent) {
        // The Stop button is disabled while connecting; the host's own stop
        // event asks the plug-in to give the attempt up.
        stopEventSent = true;
        reporter.Say(std::string("sending the host's stop event: ") + stopReason);
        application.SendHostEvent(kEventHostStop);
        reporter.ReportNews(&*user);
    }
}

void StationStream::AfterFailure(const HostText& text) {
    const auto stopRequested = [this] { return stopReason() != nullptr; };
    const std::string why = text == kCreateError  ? ExplainCreateError(user->Connection(), stopRequested)
                            : text == kWriteError ? ExplainWriteError(user->Connection(), stopRequested)
                                                  : std::string();
    lastFailure = Utf8(text);
    lastExplanation = why;
    if (!why.empty()) {
        reporter.Say("reason: " + why);
    }
    const bool lost = text == kWriteError || (text == kCreateError && (everUp || retryFirst));
    if (!lost || options.noReconnect) {
        End(kExitStreamFailed);
        return;
    }
    if (const char* reason = stopReason(); reason != nullptr) {
        reporter.Say(std::string("ending while the stream is down: ") + reason);
        End(kExitEndedOffAir);
        return;
    }
    const std::chrono::seconds wait = backoff.Next();
    reporter.Say("reconnecting in " + std::to_string(wait.count()) + " s (attempt " +
                 std::to_string(backoff.Attempts()) + ")");
    nextAttempt = Clock::now() + wait;
}

void StationStream::KeepTitleCurrent(int64_t itemNumber, const std::string& title) {
    for (const std::string& report : announcer.TakeReports()) {
        reporter.Say(report);
    }
    const bool streaming = !ended && user && user->StatusText() == kStreaming;
    if (streaming && !wasStreaming) {
        ++timesUp;
    }
    wasStreaming = streaming;
    const std::tuple<int, int64_t, std::string> due{timesUp, itemNumber, title};
    if (streaming && !title.empty() && announced != due) {
        announced = due;
        announcer.Announce(user->Connection(), title);
    }
}

std::string StationStream::StateWords() const {
    const HostText text = user ? user->StatusText() : HostText();
    return text == kStreaming    ? "on air"
           : text == kConnecting ? "connecting"
           : nextAttempt         ? "off air, reconnecting"
                                 : "off air";
}

StreamHealth StationStream::Health() const {
    const ConnectionSettings connection = user ? user->Connection() : ConnectionSettings{};
    const HostText text = user ? user->StatusText() : HostText();
    const auto onAirNow = onAir + (streamingSince ? Clock::now() - *streamingSince : Clock::duration{});
    return {.mount = connection.mount,
            .server = connection.server + ":" + connection.port,
            .state = Utf8(text),
            .up = text == kStreaming,
            .onAirSeconds = std::chrono::duration<double>(onAirNow).count(),
            .reconnects = reconnects,
            .lastFailure = lastFailure,
            .lastExplanation = lastExplanation,
            .listeners = listeners.Listeners()};
}

int StationStream::Finish() {
    if (initialized) {
        plugin->Deactivate();
        reporter.ReportNews(nullptr);
        void* block = nullptr;
        const int32_t size = plugin->GetState(&block);
        const std::span<const uint8_t> bytes(static_cast<const uint8_t*>(block),
                                             block != nullptr && size > 0 ? size : 0);
        if (const std::string error = SaveStateFile(settings.state, bytes); !error.empty()) {
            Complain("settings not saved: " + error);
            End(kExitHostFailure);
        }
        plugin->Unload(1);
    }
    user.reset();
    application.WaitForThreads();
    plugin->Release();
    return status;
}
