#include "host/sonaplex_host/station.h"

#include <csignal>
#include <cstdio>

#include "host/sonaplex_host/exit_status.h"
#include "host/sonaplex_host/stop_signals.h"

namespace {

// How long the GUI thread waits for an event before it looks at the stop
// signals, the input, the duration and the back-offs again.
constexpr auto kLookAroundInterval = std::chrono::milliseconds(50);

// A number as a person writes it: -50, 2.5.
std::string Plain(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

}  // namespace

int Station::Run(std::unique_ptr<AudioSource> source, std::unique_ptr<AudioSource> fallback, HealthView* healthView) {
    guard = std::make_unique<SilenceGuard>(SilenceGuard::Settings{.thresholdDbfs = options.silenceThresholdDbfs,
                                                                  .afterSeconds = options.silenceAfterSeconds,
                                                                  .recoverSeconds = options.silenceRecoverSeconds},
                                           options.hostRate, std::move(fallback));
    if (options.onSilence) {
        onSilence.emplace(*options.onSilence);
    }
    if (options.titleFile) {
        titleFile.emplace(*options.titleFile);
    }
    int status = Prepare();
    if (status == kExitDone) {
        status = source ? Stream(std::move(source), healthView) : streams.front()->DrawWindow(*options.windowPng);
    }
    notifier.Stopping();
    // Every stream is taken down, in order; the first that did not end well
    // gives the run's status.
    for (const std::unique_ptr<StationStream>& stream : streams) {
        const int streamStatus = stream->Finish();
        if (status == kExitDone) {
            status = streamStatus;
        }
    }
    return status;
}

int Station::Prepare() {
    for (const StreamSettings& settings : options.streams) {
        RPlugin* plugin = nullptr;
        if (getPlugin(&plugin) == nullptr || plugin == nullptr) {
            Complain("GetPlugin handed out no plug-in");
            return kExitModule;
        }
        streams.push_back(
            std::make_unique<StationStream>(options, settings, plugin, events, log, [this] { return StopReason(); }));
        if (const int status = streams.back()->Prepare(); status != kExitDone) {
            return status;
        }
    }
    return kExitDone;
}

int Station::Stream(std::unique_ptr<AudioSource> source, HealthView* healthView) {
    playingNumber = source->ItemsBegun();
    playingTitle = source->Title();
    const bool several = streams.size() > 1;
    for (const std::unique_ptr<StationStream>& stream : streams) {
        stream->Start(several);
    }
    notifier.Ready();
    int status = kExitDone;
    for (;;) {
        events.WaitAndDeliver(Clock::now() + kLookAroundInterval);
        const char* reason = StopReason();
        bool allEnded = true;
        for (const std::unique_ptr<StationStream>& stream : streams) {
            stream->Follow(reason);
            allEnded = allEnded && stream->Ended();
        }
        for (const std::unique_ptr<StationStream>& stream : streams) {
            if (!stream->TakeFirstUp()) {
                continue;
            }
            if (!upSince) {
                upSince = Clock::now();
                StartAudio(source);
            }
            // The window of the first stream, as it streams.
            if (options.windowPng && stream == streams.front()) {
                status = stream->DrawWindow(*options.windowPng);
            }
        }
        FollowSilence();
        FollowTitleFile();
        const auto [number, title] = Playing();
        for (const std::unique_ptr<StationStream>& stream : streams) {
            stream->KeepTitleCurrent(number, title);
        }
        const std::string line = StatusLine();
        if (upSince) {
            log.ShowStatus(line);
        }
        if (healthView != nullptr) {
            healthView->Update(Health());
        }
        notifier.Status(line);
        notifier.Watchdog();
        if (allEnded) {
            break;
        }
    }
    if (upSince) {
        log.FinishStatus(StatusLine());
    }
    if (audio) {
        guard->Interrupt();
        audio->Stop();
    }
    if (inputEnded && !inputFailure.empty()) {
        log.Line("", "the input failed: " + inputFailure);
        status = status == kExitDone ? kExitInput : status;
    }
    return status;
}

void Station::StartAudio(std::unique_ptr<AudioSource>& source) {
    const AudioSource* reader = source.get();
    playingSeen = playingNumber;
    audio = std::make_unique<AudioClock>(
        std::move(source), options.hostRate,
        [this, reader](const float* frames, int32_t count) {
            const float* handedOn = guard->Process(frames, count);
            for (const std::unique_ptr<StationStream>& stream : streams) {
                stream->DeliverAudio(handedOn, count);
            }
            // The live input is metered, whatever is handed on in its place.
            level.Add(frames, count);
            loudness.Add(frames, count);
            if (const int64_t number = reader->ItemsBegun(); number != playingSeen) {
                playingSeen = number;
                std::string title = reader->Title();
                const std::lock_guard lock(playingMutex);
                playingNumber = number;
                playingTitle = std::move(title);
                events.Wake();
            }
        },
        [this, reader] {
            inputFailure = reader->Failure();
            inputEnded = true;
            events.Wake();
        },
        std::chrono::milliseconds(options.blockMs));
}

std::string Station::StatusLine() const {
    const auto seconds =
        upSince ? std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - *upSince).count() : 0;
    char elapsed[32];
    std::snprintf(elapsed, sizeof elapsed, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    std::string line = elapsed;
    const bool several = streams.size() > 1;
    for (const std::unique_ptr<StationStream>& stream : streams) {
        line += "  " + (several ? stream->Tag() + " " : "") + stream->StateWords();
        if (const std::optional<int> count = stream->Listeners(); several && count) {
            line += ", listeners " + std::to_string(*count);
        }
    }
    if (const std::optional<LevelMeter::Level> input = level.LastSecond()) {
        char dbfs[32];
        std::snprintf(dbfs, sizeof dbfs, "%.1f dBFS", input->dbfs);
        line += std::string("  level ") + dbfs + (input->clipped ? " CLIP" : "");
    }
    if (const std::optional<LoudnessMeter::Loudness> input = loudness.Last()) {
        char figures[96];
        std::snprintf(figures, sizeof figures, "  M %.1f", input->momentaryLufs);
        line += figures;
        if (input->shortTermLufs) {
            std::snprintf(figures, sizeof figures, " S %.1f", *input->shortTermLufs);
            line += figures;
        }
        line += " LUFS";
        if (input->trueDbtp) {
            std::snprintf(figures, sizeof figures, "  TP %.1f dBTP", *input->trueDbtp);
            line += figures;
        }
    }
    if (guard->Silent()) {
        line += guard->FallbackPlaying() ? "  SILENCE, fallback plays" : "  SILENCE";
    }
    if (const std::optional<int> count = streams.front()->Listeners(); !several && count) {
        line += "  listeners " + std::to_string(*count);
    }
    return line;
}

StationHealth Station::Health() const {
    StationHealth health;
    for (const std::unique_ptr<StationStream>& stream : streams) {
        health.streams.push_back(stream->Health());
    }
    health.playing = Playing().second;
    if (const std::optional<LevelMeter::Level> input = level.LastSecond()) {
        health.peakDbfs = input->dbfs;
    }
    if (const std::optional<LoudnessMeter::Loudness> input = loudness.Last()) {
        health.momentaryLufs = input->momentaryLufs;
        health.shortTermLufs = input->shortTermLufs;
        health.truePeakDbtp = input->trueDbtp;
    }
    health.silent = guard->Silent();
    health.silences = guard->Episodes();
    health.fallbackPlaying = guard->FallbackPlaying();
    return health;
}

void Station::FollowSilence() {
    if (const bool silent = guard->Silent(); silent != silentSaid) {
        silentSaid = silent;
        char line[160];
        std::snprintf(line, sizeof line,
                      silent ? "the input is silent: below %.1f dBFS for %g s%s"
                             : "the input is back: at or above %.1f dBFS for %g s%s",
                      options.silenceThresholdDbfs,
                      silent ? options.silenceAfterSeconds : options.silenceRecoverSeconds,
                      options.fallbacks.empty() ? ""
                      : silent                  ? ", the fallback plays"
                                                : ", it plays again");
        log.Line("", line);
    }
    if (!onSilence) {
        return;
    }
    if (const int64_t silences = guard->Episodes(); silences != silencesRun) {
        silencesRun = silences;
        std::string mounts;
        for (const std::unique_ptr<StationStream>& stream : streams) {
            mounts += (mounts.empty() ? "" : " ") + stream->Health().mount;
        }
        std::string fallbacks;
        for (const std::string& fallback : options.fallbacks) {
            fallbacks += (fallbacks.empty() ? "" : " ") + fallback;
        }
        const StreamHealth first = streams.front()->Health();
        const std::string error = onSilence->Start({{"SKYFLUME_MOUNT", first.mount},
                                                    {"SKYFLUME_SERVER", first.server},
                                                    {"SKYFLUME_MOUNTS", mounts},
                                                    {"SKYFLUME_SILENCE_THRESHOLD", Plain(options.silenceThresholdDbfs)},
                                                    {"SKYFLUME_SILENCE_AFTER", Plain(options.silenceAfterSeconds)},
                                                    {"SKYFLUME_FALLBACK", fallbacks}});
        if (!error.empty()) {
            log.Line("", "cannot run the --on-silence command: " + error);
        }
    }
    for (const std::string& line : onSilence->TakeEnded()) {
        log.Line("", line);
    }
}

void Station::FollowTitleFile() {
    if (!titleFile) {
        return;
    }
    fileTitle = titleFile->Title();
    for (const std::string& line : titleFile->TakeReports()) {
        log.Line("", line);
    }
}

std::pair<int64_t, std::string> Station::Playing() const {
    if (titleFile) {
        return {0, fileTitle};
    }
    const std::lock_guard lock(playingMutex);
    return {playingNumber, options.title.value_or(playingTitle)};
}

const char* Station::StopReason() const {
    if (const int signal = StopSignal(); signal != 0) {
        return signal == SIGINT   ? "interrupted (SIGINT)"
               : signal == SIGHUP ? "hung up (SIGHUP)"
                                  : "terminated (SIGTERM)";
    }
    if (inputEnded) {
        return inputFailure.empty() ? "end of the input" : "the input failed";
    }
    if (upSince && options.durationSeconds &&
        Clock::now() - *upSince >= std::chrono::duration<double>(*options.durationSeconds)) {
        return "duration reached";
    }
    return nullptr;
}
