#include "host/sonaplex_host/station.h"

#include <csignal>
#include <cstdio>

#include "host/sonaplex_host/exit_status.h"
#include "host/sonaplex_host/stop_signals.h"

namespace {

// How long the GUI thread waits for an event before it looks at the stop
// signals, the input, the duration and the back-offs again.
constexpr auto kLookAroundInterval = std::chrono::milliseconds(50);

}  // namespace

int Station::Run(std::unique_ptr<AudioSource> source, HealthView* healthView) {
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
        audio->Stop();
    }
    return status;
}

void Station::StartAudio(std::unique_ptr<AudioSource>& source) {
    const AudioSource* reader = source.get();
    playingSeen = playingNumber;
    audio = std::make_unique<AudioClock>(
        std::move(source), options.hostRate,
        [this, reader](const float* frames, int32_t count) {
            for (const std::unique_ptr<StationStream>& stream : streams) {
                stream->DeliverAudio(frames, count);
            }
            level.Add(frames, count);
            if (const int64_t number = reader->ItemsBegun(); number != playingSeen) {
                playingSeen = number;
                std::string title = reader->Title();
                const std::lock_guard lock(playingMutex);
                playingNumber = number;
                playingTitle = std::move(title);
                events.Wake();
            }
        },
        [this] {
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
    return health;
}

std::pair<int64_t, std::string> Station::Playing() const {
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
        return "end of the input";
    }
    if (upSince && options.durationSeconds &&
        Clock::now() - *upSince >= std::chrono::duration<double>(*options.durationSeconds)) {
        return "duration reached";
    }
    return nullptr;
}
