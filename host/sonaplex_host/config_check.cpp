#include "host/sonaplex_host/config_check.h"

#include <iostream>
#include <set>
#include <tuple>

#include "host/app/audio_source.h"
#include "host/app/state_file.h"
#include "host/sonaplex_host/exit_status.h"
#include "host/sonaplex_host/module_loader.h"

namespace {

std::string Origin(const Origins& origins, const std::string& key, const std::string& otherwise) {
    const auto found = origins.find(key);
    return found != origins.end() ? found->second : otherwise;
}

void CheckModule(const Options& options, std::vector<std::string>& problems) {
    const std::string origin = Origin(options.origins, "module", "the registered module");
    std::string error;
    const std::optional<std::filesystem::path> path = options.module ? options.module : RegisteredModulePath(error);
    if (!path) {
        problems.push_back(origin + ": " + error);
        return;
    }
    const LoadedModule::Result loaded = LoadedModule::Load(*path);
    if (!loaded.module) {
        problems.push_back(origin + ": " + loaded.error);
    } else if (loaded.module->GetPlugin(error) == nullptr) {
        problems.push_back(origin + ": " + error);
    }
}

void CheckStreams(const Options& options, std::vector<std::string>& problems) {
    std::set<std::tuple<std::string, std::string, std::string>> places;
    std::set<std::filesystem::path> states;
    for (std::size_t index = 0; index < options.streams.size(); ++index) {
        const StreamSettings& stream = options.streams[index];
        const std::string name = "stream " + std::to_string(index + 1);
        if (const LoadedState loaded = LoadStateFile(stream.state); !loaded.warning.empty()) {
            problems.push_back(Origin(stream.origins, "state", name + " state") + ": " + loaded.warning);
        }
        if (!states.insert(stream.state).second) {
            problems.push_back(Origin(stream.origins, "state", name + " state") + ": " + stream.state.string() +
                               " is the state file of an earlier stream too");
        }
        if (stream.mount &&
            !places.insert({stream.server.value_or(""), stream.port.value_or(""), *stream.mount}).second) {
            problems.push_back(Origin(stream.origins, "mount", name + " mount") + ": an earlier stream sends to " +
                               *stream.mount + " on the same server");
        }
    }
}

// What each stream will use, for a configuration without problems.
void Describe(const Options& options) {
    for (std::size_t index = 0; index < options.streams.size(); ++index) {
        const StreamSettings& stream = options.streams[index];
        const std::string password = stream.passwordFile ? "the password file " + *stream.passwordFile
                                     : stream.password   ? std::string("SKYFLUME_PASSWORD")
                                                         : std::string("the state file's");
        std::cout << "stream " << index + 1 << ": mount " << stream.mount.value_or("(the state file's)")
                  << ", password from " << password << ", state " << stream.state.string() << "\n";
    }
}

}  // namespace

int CheckConfig(const Options& options) {
    std::vector<std::string> problems;
    if (const OpenedAudioSource opened = OpenPlaylist(options.inputs, options.hostRate, options.loop); !opened.source) {
        problems.push_back(Origin(options.origins, "input", "the default input") + ": cannot open the input " +
                           opened.error);
    }
    if (!options.fallbacks.empty()) {
        if (const OpenedAudioSource opened = OpenPlaylist(options.fallbacks, options.hostRate, true); !opened.source) {
            problems.push_back(Origin(options.origins, "fallback", "the fallback") + ": cannot open the fallback " +
                               opened.error);
        }
    }
    CheckModule(options, problems);
    CheckStreams(options, problems);
    for (const std::string& problem : problems) {
        std::cerr << "sonaplex-host: " << problem << "\n";
    }
    if (!problems.empty()) {
        return kExitUsage;
    }
    Describe(options);
    std::cout << "the configuration is fine\n";
    return kExitDone;
}
