#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/app/audio_clock.h"
#include "host/app/level_meter.h"
#include "host/app/loudness_meter.h"
#include "host/app/silence_guard.h"
#include "host/event_queue.h"
#include "host/sonaplex_host/health_view.h"
#include "host/sonaplex_host/log_writer.h"
#include "host/sonaplex_host/module_loader.h"
#include "host/sonaplex_host/options.h"
#include "host/sonaplex_host/service_notifier.h"
#include "host/sonaplex_host/silence_command.h"
#include "host/sonaplex_host/station_stream.h"
#include "host/sonaplex_host/title_file.h"

// The run of every stream of one configuration from the one loaded module:
// each stream gets a plug-in object of its own, they are prepared and
// clicked one after the other, and then one loop on the GUI thread runs the
// events they post and follows each of them on its own. Audio starts playing
// once the first stream is up and every stream gets the same blocks, while
// lost streams are brought back. The end of the input, --duration or a stop
// signal ends the run for all of them. A silence guard watches the input
// (and puts the fallback in its place while it is silent), and the title
// follows the title file when one is given.
class Station {
public:
    Station(const Options& options, LoadedModule::GetPluginFunction getPlugin, LogWriter& log)
        : options(options), getPlugin(getPlugin), log(log) {}
    // Answers the exit status; `source` none when only the window is drawn,
    // `fallback` none when there is none.
    int Run(std::unique_ptr<AudioSource> source, std::unique_ptr<AudioSource> fallback, HealthView* healthView);

private:
    using Clock = std::chrono::steady_clock;

    int Prepare();
    int Stream(std::unique_ptr<AudioSource> source, HealthView* healthView);
    void StartAudio(std::unique_ptr<AudioSource>& source);
    // Says when the input falls silent and comes back, and runs --on-silence.
    void FollowSilence();
    void FollowTitleFile();
    // Why the run is to end now; none while it is to go on.
    const char* StopReason() const;
    // The live status line: time on air, each stream's state, level and listeners.
    std::string StatusLine() const;
    StationHealth Health() const;
    // The number of the item that plays, counted by the source, and its title.
    std::pair<int64_t, std::string> Playing() const;

    const Options& options;
    const LoadedModule::GetPluginFunction getPlugin;
    LogWriter& log;
    ServiceNotifier notifier;
    std::optional<Clock::time_point> upSince;  // the first stream first came up
    std::atomic<bool> inputEnded{false};
    std::string inputFailure;  // written before inputEnded is set
    LevelMeter level{options.hostRate};
    LoudnessMeter loudness{options.hostRate};
    std::unique_ptr<SilenceGuard> guard;
    bool silentSaid = false;
    int64_t silencesRun = 0;
    std::optional<SilenceCommand> onSilence;
    std::optional<TitleFile> titleFile;
    std::string fileTitle;  // the title file's, as last read

    // What plays, as the audio thread last saw it.
    mutable std::mutex playingMutex;
    int64_t playingNumber = 0;
    std::string playingTitle;
    int64_t playingSeen = 0;  // audio thread's own

    // Before the streams: events their threads posted may outlive them.
    EventQueue events;
    std::vector<std::unique_ptr<StationStream>> streams;
    // Last, so that the audio thread has ended before what it uses goes.
    std::unique_ptr<AudioClock> audio;
};
