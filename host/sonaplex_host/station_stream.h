#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "host/app/listener_count.h"
#include "host/application_base.h"
#include "host/event_queue.h"
#include "host/host_object.h"
#include "host/recording_gui_toolkit.h"
#include "host/sonaplex_host/log_writer.h"
#include "host/sonaplex_host/options.h"
#include "host/sonaplex_host/reconnect_backoff.h"
#include "host/sonaplex_host/reporter.h"
#include "host/sonaplex_host/settings_window_user.h"
#include "host/sonaplex_host/stream_health.h"
#include "host/sonaplex_host/title_announcer.h"
#include "plugin_sdk/r_plugin.h"

// One stream of the station: a plug-in object of the loaded module with an
// application, settings window and state file of its own, driven on the GUI
// thread in the order the host contract fixes, from GetPlugin to the final
// Release. A stream that ends with "Status: stream write error.", or with
// "Status: stream create error." after it had been up (or at any attempt
// when `retryFirst`), is started again after a back-off. Once the run is to
// end, a stream that is up is stopped with the Stop button (which blocks
// until the plug-in's worker has ended), one that is connecting gets the
// host's stop event.
class StationStream {
public:
    StationStream(const Options& options, const StreamSettings& settings, RPlugin* plugin, EventQueue& events,
                  LogWriter& log, std::function<const char*()> stopReason);
    StationStream(const StationStream&) = delete;
    StationStream& operator=(const StationStream&) = delete;

    // Initialises and activates the plug-in, restores its state and enters
    // the settings in its window; answers the exit status, kExitDone when
    // Stream may be clicked.
    int Prepare();
    // Answers the exit status.
    int DrawWindow(const std::filesystem::path& png);
    // Clicks Stream for the first time; false (the stream ended) if no
    // stream started.
    bool Start(bool retryFirst);
    // After the posted events ran: reports what changed and acts on it;
    // `stopReason` says why the run is to end, none while it goes on.
    void Follow(const char* stopReason);
    // Announces the title when the stream has just come up, a new item
    // began or the title changed, and reports what became of earlier
    // announcements.
    void KeepTitleCurrent(int64_t itemNumber, const std::string& title);
    // Deactivates the plug-in, saves its state and releases it; answers
    // the stream's exit status.
    int Finish();

    // True once, when the stream has come up for the first time.
    bool TakeFirstUp() { return std::exchange(firstUp, false); }
    bool Ended() const { return ended; }
    // "on air", "connecting", "off air, reconnecting" or "off air".
    std::string StateWords() const;
    std::optional<int> Listeners() const { return listeners.Listeners(); }
    StreamHealth Health() const;
    const std::string& Tag() const { return reporter.Tag(); }

    // Audio thread: one block for the plug-in.
    void DeliverAudio(const float* frames, int32_t count) { application.DeliverAudio(frames, count); }

private:
    using Clock = std::chrono::steady_clock;

    int Initialize();
    void RestoreState();
    ComponentRecord* SettingsWindow();
    ComponentRecord* ReopenAndNameCutTexts(ComponentRecord& window);
    bool ClickStream();
    void AfterFailure(const HostText& status);
    void End(int exitStatus);
    void CountTimeOnAir(bool streaming);

    const Options& options;
    const StreamSettings& settings;
    RPlugin* const plugin;
    // Why the run is to end now; none while it is to go on.
    std::function<const char*()> stopReason;
    RecordingGuiToolkit toolkit;
    ApplicationBase application;
    HostObject hostObject{&application};
    Reporter reporter;
    std::optional<SettingsWindowUser> user;
    bool initialized = false;

    int status = 0;
    bool ended = false;
    bool retryFirst = false;
    bool everUp = false;
    bool firstUp = false;
    bool attemptEnded = false;
    bool stopClicked = false;
    bool stopEventSent = false;
    ReconnectBackoff backoff;
    std::optional<Clock::time_point> nextAttempt;  // waiting to click Stream again
    int reconnects = 0;
    std::optional<Clock::time_point> streamingSince;
    Clock::duration onAir{};  // before streamingSince
    std::string lastFailure;
    std::string lastExplanation;

    // Which time up, which item and which title were announced last.
    int timesUp = 0;
    bool wasStreaming = false;
    std::optional<std::tuple<int, int64_t, std::string>> announced;
    TitleAnnouncer announcer;
    ListenerCount listeners;
};
