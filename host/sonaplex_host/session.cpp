#include "host/sonaplex_host/session.h"

#include <memory>

#include "host/app/audio_source.h"
#include "host/app/ffmpeg_log.h"
#include "host/sonaplex_host/exit_status.h"
#include "host/sonaplex_host/health_view.h"
#include "host/sonaplex_host/log_writer.h"
#include "host/sonaplex_host/module_loader.h"
#include "host/sonaplex_host/reporter.h"
#include "host/sonaplex_host/station.h"
#include "host/sonaplex_host/stop_signals.h"

int RunSession(const Options& options) {
    LogWriter log(options.streams.size() > 1);
    const FfmpegLogRoute ffmpegLog([&log](const std::string& line) { log.Line("", line); });

    std::unique_ptr<AudioSource> source;
    std::unique_ptr<AudioSource> fallback;
    if (options.action == Options::Action::Stream) {
        OpenedAudioSource opened = OpenPlaylist(options.inputs, options.hostRate, options.loop);
        if (!opened.source) {
            const std::string named = options.inputs.size() == 1 ? options.inputs.front() + ": " : "";
            Complain("cannot open the input " + named + opened.error);
            return kExitInput;
        }
        source = std::move(opened.source);
    }
    if (options.action == Options::Action::Stream && !options.fallbacks.empty()) {
        OpenedAudioSource opened = OpenPlaylist(options.fallbacks, options.hostRate, true);
        if (!opened.source) {
            Complain("cannot open the fallback " + opened.error);
            return kExitInput;
        }
        fallback = std::move(opened.source);
    }

    std::unique_ptr<HealthView> healthView;
    if (options.statusListen && options.action == Options::Action::Stream) {
        std::string error;
        healthView = HealthView::Listen(*options.statusListen, error);
        if (!healthView) {
            Complain("cannot serve the health view at " + *options.statusListen + ": " + error);
            return kExitHostFailure;
        }
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
    InstallStopSignals();
    return Station(options, getPlugin, log).Run(std::move(source), std::move(fallback), healthView.get());
}
