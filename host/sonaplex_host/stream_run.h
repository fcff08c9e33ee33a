#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "host/app/audio_clock.h"
#include "host/app/level_meter.h"
#include "host/app/listener_count.h"
#include "host/recording_gui_toolkit.h"
#include "host/sonaplex_host/host_application.h"
#include "host/sonaplex_host/options.h"
#include "host/sonaplex_host/reconnect_backoff.h"
#include "host/sonaplex_host/reporter.h"
#include "host/sonaplex_host/settings_window_user.h"
#include "host/sonaplex_host/title_announcer.h"

// From the Stream click to the end of the run. Audio starts playing once the
// stream is first up and keeps playing, as in a live host, while a lost
// stream is brought back: after a write error, or a create error once it had
// been up, Stream is clicked again after a back-off. The end of the input,
// --duration or a stop signal ends the run in any state: a stream that is up
// is stopped with the Stop button (which blocks until the plug-in's worker
// has ended), one that is connecting gets the host's stop event.
class StreamRun {
public:
    StreamRun(const Options& options, HostApplication& application, RecordingGuiToolkit& toolkit,
              SettingsWindowUser& user, Reporter& reporter)
        : options(options), application(application), toolkit(toolkit), user(user), reporter(reporter) {}

    // Answers the exit status.
    int Run(std::unique_ptr<AudioSource> source);

private:
    using Clock = std::chrono::steady_clock;

    bool ClickStream();
    int StartAudio(std::unique_ptr<AudioSource>& source);
    // Why the run is to end now; none while it is to go on.
    const char* StopReason();
    // Announces the title when the stream has just come up or a new item
    // began, and prints what became of earlier announcements.
    void KeepTitleCurrent(bool streaming);
    // The live status line: time on air, state, level and listeners.
    std::string StatusLine(const HostText& status) const;
    // After an attempt ended with `status`: schedules the next one, or
    // answers the exit status when the run ends here.
    std::optional<int> AfterFailure(const HostText& status);

    const Options& options;
    HostApplication& application;
    RecordingGuiToolkit& toolkit;
    SettingsWindowUser& user;
    Reporter& reporter;
    std::optional<Clock::time_point> upSince;  // the stream first came up
    std::atomic<bool> inputEnded{false};

    // What plays, as the audio thread last saw it, and what was announced
    // for which time the stream was up.
    std::mutex playingMutex;
    int64_t playingNumber = 0;
    std::string playingTitle;
    int64_t playingSeen = 0;  // audio thread's own
    int timesUp = 0;
    bool wasStreaming = false;
    std::optional<std::pair<int, int64_t>> announced;
    TitleAnnouncer announcer;
    LevelMeter level{options.hostRate};
    ListenerCount listeners;
    ReconnectBackoff backoff;
    std::optional<Clock::time_point> nextAttempt;  // waiting to click Stream again
    // For the current attempt.
    bool stopClicked = false;
    bool stopEventSent = false;
    // Last, so that the audio thread has ended before what it uses goes.
    std::unique_ptr<AudioClock> audio;
};

// Draws the open settings window into a PNG file and says so; answers the
// exit status.
int DrawSettingsWindow(const RecordingGuiToolkit& toolkit, const ComponentRecord& window,
                       const std::filesystem::path& png, Reporter& reporter);
