#include "host/sonaplex_host/stream_run.h"

#include <csignal>
#include <cstdio>
#include <string>

#include "host/app/window_picture.h"
#include "host/app/window_snapshot.h"
#include "host/sonaplex_host/exit_status.h"
#include "host/sonaplex_host/failure_explanation.h"
#include "host/sonaplex_host/stop_signals.h"

namespace {

// How long the GUI thread waits for an event before it looks at the stop
// signals, the input, the duration and the back-off again.
constexpr auto kLookAroundInterval = std::chrono::milliseconds(50);

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

bool StreamRun::ClickStream() {
    stopClicked = false;
    stopEventSent = false;
    user.ClickStreamButton();
    reporter.ReportNews(&user);
    return user.StatusText() == kConnecting;
}

int StreamRun::Run(std::unique_ptr<AudioSource> source) {
    playingNumber = source->ItemsBegun();
    playingTitle = source->Title();
    if (!ClickStream()) {
        Complain("the plug-in did not start a stream");
        return kExitRefused;
    }
    int status = kExitDone;
    bool attemptEnded = false;
    for (;;) {
        application.RunEvents(Clock::now() + kLookAroundInterval);
        reporter.ReportNews(&user);
        const HostText text = user.StatusText();
        const char* reason = StopReason();
        KeepTitleCurrent(text == kStreaming);
        if (upSince) {
            reporter.ShowStatus(StatusLine(text));
        }
        if (nextAttempt) {
            if (reason != nullptr) {
                reporter.Say(std::string("ending while the stream is down: ") + reason);
                status = kExitEndedOffAir;
                break;
            }
            if (Clock::now() >= *nextAttempt) {
                nextAttempt.reset();
                attemptEnded = false;
                if (!ClickStream()) {
                    Complain("the plug-in did not start a stream again");
                    status = kExitStreamFailed;
                    break;
                }
            }
            continue;
        }
        if (IsFinal(text)) {
            if (attemptEnded) {
                continue;
            }
            attemptEnded = true;
            if (text == kDone) {
                break;
            }
            if (const std::optional<int> end = AfterFailure(text)) {
                status = *end;
                break;
            }
            continue;
        }
        if (text == kStreaming) {
            backoff.Reset();
            if (!upSince) {
                upSince = Clock::now();
                const ConnectionSettings connection = user.Connection();
                listeners.Watch(connection.server, connection.port, connection.mount);
                status = StartAudio(source);
            }
        }
        if (reason != nullptr && text == kStreaming && !stopClicked) {
            stopClicked = true;
            reporter.Say(std::string("clicking Stop: ") + reason);
            user.ClickStreamButton();
            reporter.ReportNews(&user);
        } else if (reason != nullptr && text == kConnecting && !stopEventSent) {
            // The Stop button is disabled while connecting; the host's own
            // stop event asks the plug-in to give the attempt up.
            stopEventSent = true;
            reporter.Say(std::string("sending the host's stop event: ") + reason);
            application.SendHostEvent(kEventHostStop);
            reporter.ReportNews(&user);
        }
    }
    if (upSince) {
        reporter.FinishStatus(StatusLine(user.StatusText()));
    }
    if (audio) {
        audio->Stop();
    }
    return status;
}

std::string StreamRun::StatusLine(const HostText& status) const {
    const auto seconds =
        upSince ? std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - *upSince).count() : 0;
    char elapsed[32];
    std::snprintf(elapsed, sizeof elapsed, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    std::string line = std::string(elapsed) + (status == kStreaming    ? "  on air"
                                               : status == kConnecting ? "  connecting"
                                               : nextAttempt           ? "  off air, reconnecting"
                                                                       : "  off air");
    if (const std::optional<LevelMeter::Level> input = level.LastSecond()) {
        char dbfs[32];
        std::snprintf(dbfs, sizeof dbfs, "%.1f dBFS", input->dbfs);
        line += std::string("  level ") + dbfs + (input->clipped ? " CLIP" : "");
    }
    if (const std::optional<int> count = listeners.Listeners()) {
        line += "  listeners " + std::to_string(*count);
    }
    return line;
}

std::optional<int> StreamRun::AfterFailure(const HostText& status) {
    const auto stopRequested = [this] { return StopReason() != nullptr; };
    const std::string why = status == kCreateError  ? ExplainCreateError(user.Connection(), stopRequested)
                            : status == kWriteError ? ExplainWriteError(user.Connection(), stopRequested)
                                                    : std::string();
    if (!why.empty()) {
        reporter.Say("reason: " + why);
    }
    const bool lost = status == kWriteError || (status == kCreateError && upSince);
    if (!lost || options.noReconnect) {
        return kExitStreamFailed;
    }
    if (const char* reason = StopReason(); reason != nullptr) {
        reporter.Say(std::string("ending while the stream is down: ") + reason);
        return kExitEndedOffAir;
    }
    const std::chrono::seconds wait = backoff.Next();
    reporter.Say("reconnecting in " + std::to_string(wait.count()) + " s (attempt " +
                 std::to_string(backoff.Attempts()) + ")");
    nextAttempt = Clock::now() + wait;
    return std::nullopt;
}

void StreamRun::KeepTitleCurrent(bool streaming) {
    for (const std::string& report : announcer.TakeReports()) {
        reporter.Say(report);
    }
    if (streaming && !wasStreaming) {
        ++timesUp;
    }
    wasStreaming = streaming;
    std::pair<int, int64_t> due;
    std::string title;
    {
        const std::lock_guard lock(playingMutex);
        due = {timesUp, playingNumber};
        title = options.title.value_or(playingTitle);
    }
    if (streaming && !title.empty() && announced != due) {
        announced = due;
        announcer.Announce(user.Connection(), title);
    }
}

int StreamRun::StartAudio(std::unique_ptr<AudioSource>& source) {
    const AudioSource* reader = source.get();
    playingSeen = playingNumber;
    audio = std::make_unique<AudioClock>(
        std::move(source), options.hostRate,
        [this, reader](const float* frames, int32_t count) {
            application.DeliverAudio(frames, count);
            level.Add(frames, count);
            if (const int64_t number = reader->ItemsBegun(); number != playingSeen) {
                playingSeen = number;
                std::string title = reader->Title();
                const std::lock_guard lock(playingMutex);
                playingNumber = number;
                playingTitle = std::move(title);
                application.Wake();
            }
        },
        [this] {
            inputEnded = true;
            application.Wake();
        },
        std::chrono::milliseconds(options.blockMs));
    return options.windowPng ? DrawSettingsWindow(toolkit, user.Window(), *options.windowPng, reporter) : kExitDone;
}

int DrawSettingsWindow(const RecordingGuiToolkit& toolkit, const ComponentRecord& window,
                       const std::filesystem::path& png, Reporter& reporter) {
    if (const std::string error = DrawWindowPicture(SnapshotOf(toolkit, window), png); !error.empty()) {
        Complain("cannot draw the window: " + error);
        return kExitHostFailure;
    }
    reporter.Say("drew the settings window into " + png.string());
    return kExitDone;
}

const char* StreamRun::StopReason() {
    if (const int signal = StopSignal(); signal != 0) {
        return signal == SIGINT   ? "interrupted (SIGINT)"
               : signal == SIGHUP ? "hung up (SIGHUP)"
                                  : "terminated (SIGTERM)";
    }
    if (inputEnded) {
        return "end of the input";
    }
    if (upSince && options.durationSeconds &&
        Clock::now() - *upSince >= std::chrono::duration<double>(*options.durationSeconds)) {
        return "duration reached";
    }
    return nullptr;
}
