#include "host/sonaplex_host/options.h"

#include <cstdlib>
#include <fstream>

#include <CLI/CLI.hpp>

#include "host/app/state_file.h"
#include "host/sonaplex_host/config_file.h"
#include "plugin_sdk/r_plugin.h"

namespace {

// The project's version, which CMake sets.
constexpr const char* kHostVersion = SKYFLUME_VERSION;

// The table key of one stream in the configuration file.
constexpr const char* kStreamTable = "stream";

// Said without the value, which is a password.
constexpr const char* kNoPassword =
    "is not taken (others can read a command line and a configuration file; the file takes password-file): "
    "use --password-file FILE or SKYFLUME_PASSWORD";

constexpr const char* kIntroduction = R"(Loads the Skyflume module as the Sonaplex host does, enters the settings
given here into its settings window, clicks Stream and prints every status
text and message until the run ends. A stream that cannot be created or
breaks off gets one more line, "reason: ...", saying why (from what the same
server answers to a request of the host's own) and what to do. While it
streams, a status line shows the time on air, the input's peak level of the
last second in dBFS (CLIP at full scale) and the server's listener count:
redrawn in place on a terminal, printed every 10 s otherwise. When standard
output is no terminal, every line starts with its ISO 8601 time and the
stream's mount, and FFmpeg's own messages come as such lines too. A text
the plug-in keeps only part of is named with what it kept. The status line
also shows the input's loudness (momentary M and short-term S, in LUFS) and
true peak (TP, in dBTP), and SILENCE while the input counts as silent.
)";

constexpr const char* kFooter = R"(
Configuration file:
  --config FILE names a TOML file whose keys are the long options' names
  (module = "/usr/lib/skyflume/Skyflume.sxp64", bit-rate = 192, loop = true,
  input = ["one.flac", "two.mp3"]); the command line wins over the file.
  Several servers get one [[stream]] table each, with any of the keys state,
  server, port, mount, user, password-file, bit-rate, sample-rate, name,
  description, genre, website; a key a table leaves out is the top level's.
  Each stream is a plug-in object of its own, with its own settings window
  and state file (default: --state's with "-N" before ".state", N counting
  the tables from 1), and all of them get the same audio. With several
  streams a failed stream is tried again after the same waits, even at its
  first attempt, and never ends the others. There is no password key: use
  password-file.

Exit status:
  0  the run ended with "Status: done.", after Stop was clicked (or the
     action succeeded, or --check-config found nothing wrong)
  1  the host failed: the state could not be saved or the picture drawn
  2  usage error, or the problems --check-config found
  3  module error: missing or unusable module, missing export, Initialize
     refused, registration failed
  4  no stream started: the plug-in showed a message (host check or invalid
     setting), or a setting could not be entered
  5  the stream failed and was not brought back: "Status: stream create
     error." (at the first attempt, or with --no-reconnect), "Status: stream
     write error." (with --no-reconnect) or "Status: internal error N"
  6  the audio input cannot be opened, or failed while it played (a looped
     file that could not be opened again)
  7  the run ended (duration, end of the input, or a signal) while a lost
     stream was being brought back
  With several streams, the status of the first stream, in the file's
  order, that did not end with "Status: done.".
)";

// ADDR:PORT, or a PORT alone.
std::string CheckListenAddress(std::string& text) {
    std::string port = text.substr(text.rfind(':') + 1);
    return CLI::Range(1, 65535)(port);
}

// Lists the options in the order of the groups, below the usage line and
// the introduction, as a manual page wants them.
class HelpFormatter : public CLI::Formatter {
public:
    std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override {
        return make_usage(app, std::move(name)) + "\n" + app->get_description() + "\n" + make_groups(app, mode) +
               make_footer(app);
    }
};

constexpr const char* kModuleGroup = "Module";
constexpr const char* kSettingsGroup = "Settings, typed into the window (the others keep what the state restored)";
constexpr const char* kRunGroup = "Run";
constexpr const char* kServiceGroup = "Configuration and service";
constexpr const char* kGuardGroup = "Silence guard";

void DefineModuleOptions(CLI::App& app, Options& options) {
    app.add_option("--module", options.module,
                   "the module file; a bare file name is the one in the\n"
                   "current folder (default: the \"Path\" value of the\n"
                   "plug-in's registry key; the registry is the folder in\n"
                   "SONAPLEX_REGISTRY, else /etc/sonaplex/registry)")
        ->type_name("PATH")
        ->group(kModuleGroup);
    app.add_flag("--register")
        ->description("register the module (DllRegisterServer) and exit")
        ->configurable(false)
        ->group(kModuleGroup);
    app.add_flag("--unregister")
        ->description("unregister the module (DllUnregisterServer) and exit")
        ->configurable(false)
        ->group(kModuleGroup);
}

// The settings of one stream: the top level's on the command line and in
// the file, and each [[stream]] table's.
void DefineStreamSettings(CLI::App& app, StreamSettings& settings) {
    const auto text = [&](const char* name, std::optional<std::string>& value, const char* type, const char* help) {
        return app.add_option(name, value, help)->type_name(type)->group(kSettingsGroup);
    };
    text("--server", settings.server, "HOST", "the Icecast server's name or address");
    text("--port", settings.port, "N", "its port")->check(CLI::Range(1, 65535).description(""));
    text("--mount", settings.mount, "PATH", "the mount point, with its leading /");
    text("--user", settings.user, "NAME", "the source login's user");
    text("--password-file", settings.passwordFile, "FILE",
         "the password is the file's first line; without it the\n"
         "environment variable SKYFLUME_PASSWORD, if set (there\n"
         "is no --password: the command line is no place for it)");
    app.add_option("--bit-rate", settings.bitRateKbps,
                   "64, 80, 96, 112, 128, 160, 192, 224, 256 or 320,\n"
                   "picked as \"KBPS kbps\" in the drop-down list")
        ->type_name("KBPS")
        ->group(kSettingsGroup)
        ->check(CLI::Number.description(""))
        ->check(CLI::IsMember({64, 80, 96, 112, 128, 160, 192, 224, 256, 320}).description(""));
    app.add_option("--sample-rate", settings.sampleRate, "44100 or 48000")
        ->type_name("HZ")
        ->group(kSettingsGroup)
        ->check(CLI::Number.description(""))
        ->check(CLI::IsMember({44100, 48000}).description(""));
    text("--name", settings.name, "TEXT", "the station's name");
    text("--description", settings.description, "TEXT", "its description");
    text("--genre", settings.genre, "TEXT", "its genre");
    text("--website", settings.website, "URL", "its website");
    app.add_option("--state", settings.state,
                   "the plug-in's saved settings (default\n"
                   "$XDG_STATE_HOME/sonaplex-host/skyflume.state)")
        ->type_name("FILE")
        ->group(kRunGroup);
}

void DefineRunOptions(CLI::App& app, Options& options, bool& stream) {
    app.add_option("--input", options.inputs,
                   "a file FFmpeg decodes, tone:HZ, an FFmpeg input\n"
                   "device as DEVICE:NAME (pulse:default, alsa:hw:0,\n"
                   "lavfi:sine=f=440), or - for raw 32-bit float stereo\n"
                   "on standard input (default tone:1000);\n"
                   "it starts playing when the stream is up; given more\n"
                   "than once, the inputs play one after the other")
        ->type_name("INPUT")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->group(kRunGroup);
    app.add_flag("--loop", options.loop, "play the file, or the list of inputs, again and again")->group(kRunGroup);
    app.add_option("--title", options.title,
                   "the song title the server shows; by default each\n"
                   "file's own tags (\"artist – title\") or its file name,\n"
                   "announced when the stream comes up and whenever a\n"
                   "new file or pass begins")
        ->type_name("TEXT")
        ->group(kRunGroup);
    app.add_option("--title-file", options.titleFile,
                   "the song title is the first line of this file, which\n"
                   "playout software rewrites: announced whenever it\n"
                   "changes and after every reconnect (control characters\n"
                   "removed, at most 255 bytes of UTF-8)")
        ->type_name("FILE")
        ->group(kRunGroup)
        ->excludes("--title");
    app.add_option("--duration", options.durationSeconds,
                   "end the run S seconds after the stream is first up\n"
                   "(default: at the end of the input, or on Ctrl-C,\n"
                   "SIGTERM or SIGHUP, each of which saves the settings)")
        ->type_name("S")
        ->group(kRunGroup)
        ->check(CLI::Range(0.001, 1e7).description(""));
    app.add_flag("--no-reconnect", options.noReconnect,
                 "end the run when the stream is lost; by default a\n"
                 "stream that ends with \"Status: stream write error.\",\n"
                 "or with \"Status: stream create error.\" after it had\n"
                 "been up, is started again after 1, 2, 4, 8, 16 s,\n"
                 "then every 30 s, while the audio plays on unsent")
        ->group(kRunGroup);
    app.add_option("--host-rate", options.hostRate, "the host's sample rate, 44100 or 48000 (default 44100)")
        ->type_name("HZ")
        ->group(kRunGroup)
        ->check(CLI::Number.description(""))
        ->check(CLI::IsMember({44100, 48000}).description(""));
    app.add_option("--block-ms", options.blockMs, "audio block length, 1 to 100 ms (default 10)")
        ->type_name("MS")
        ->group(kRunGroup)
        ->check(CLI::Range(1, 100).description(""));
    app.add_option("--window-png", options.windowPng,
                   "draw the settings window into a PNG once the settings\n"
                   "are entered, then exit without streaming; with\n"
                   "--stream, stream and draw it when the stream is up")
        ->type_name("FILE")
        ->group(kRunGroup);
    app.add_flag("--stream", stream, "with --window-png: stream as well")->group(kRunGroup);
    app.add_option("--config", options.config, "read the options from this TOML file (see below)")
        ->type_name("FILE")
        ->configurable(false)
        ->group(kServiceGroup);
    app.add_flag("--check-config")
        ->description(
            "read and check the options, the configuration file,\n"
            "the password files, the inputs and the module, then\n"
            "exit without streaming: 0, or 2 with one line per\n"
            "problem naming its file, line and key")
        ->configurable(false)
        ->group(kServiceGroup);
    app.add_option("--status-listen", options.statusListen,
                   "serve the health view at ADDR:PORT (PORT alone:\n"
                   "127.0.0.1): GET /status answers JSON, GET /metrics\n"
                   "Prometheus' text format; nothing there changes anything")
        ->type_name("ADDR:PORT")
        ->group(kServiceGroup)
        ->check(CLI::Validator(CheckListenAddress, ""));
    // Taken only to refuse it, from the command line and from the file.
    app.add_option("--password")->expected(0, 1)->group("");
}

void DefineGuardOptions(CLI::App& app, Options& options) {
    app.add_option("--silence-threshold", options.silenceThresholdDbfs,
                   "the level below which the input counts as silent\n"
                   "(default -50)")
        ->type_name("DBFS")
        ->group(kGuardGroup)
        ->check(CLI::Range(-120.0, 0.0).description(""));
    app.add_option("--silence-after", options.silenceAfterSeconds,
                   "the input is silent once its peak has stayed below\n"
                   "the threshold this long (default 15): the host says\n"
                   "so in a line, the status line, /status and /metrics")
        ->type_name("S")
        ->group(kGuardGroup)
        ->check(CLI::Range(0.1, 86400.0).description(""));
    app.add_option("--silence-recover", options.silenceRecoverSeconds,
                   "the input is back once it has stayed at or above the\n"
                   "threshold this long (default 5)")
        ->type_name("S")
        ->group(kGuardGroup)
        ->check(CLI::Range(0.1, 86400.0).description(""));
    app.add_option("--on-silence", options.onSilence,
                   "run this command (by /bin/sh -c) once each time the\n"
                   "input falls silent, with SKYFLUME_MOUNT, SKYFLUME_SERVER\n"
                   "(the first stream's), SKYFLUME_MOUNTS (every stream's),\n"
                   "SKYFLUME_SILENCE_THRESHOLD, SKYFLUME_SILENCE_AFTER and\n"
                   "SKYFLUME_FALLBACK in its environment")
        ->type_name("COMMAND")
        ->group(kGuardGroup);
    app.add_option("--fallback", options.fallbacks,
                   "what the stream plays while the input is silent, in\n"
                   "any form --input takes; given more than once, the\n"
                   "fallbacks play one after the other; always looped; it\n"
                   "fades in and out over 50 ms while the input is still\n"
                   "read and metered")
        ->type_name("INPUT")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->group(kGuardGroup);
}

// The command line's definition of every option.
struct Definition {
    explicit Definition(Options& options) {
        app.formatter(std::make_shared<HelpFormatter>());
        app.get_formatter()->column_width(23);
        app.name("sonaplex-host");
        app.description(kIntroduction);
        app.footer(kFooter);
        app.allow_extras();
        // An option given again overrides what it said before.
        app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
        // In the order the help lists the groups.
        DefineModuleOptions(app, options);
        DefineStreamSettings(app, top);
        DefineRunOptions(app, options, stream);
        DefineGuardOptions(app, options);
        app.set_help_flag("-h,--help", "this text")->group(kRunGroup);
        app.set_version_flag("--version", "", "the host's version and the plug-in interface it speaks")
            ->group(kRunGroup);
    }

    CLI::App app;
    StreamSettings top;
    bool stream = false;
};

// The first line of the file, without its line end.
std::optional<std::string> ReadPasswordFile(const std::string& path) {
    std::ifstream file(path);
    std::string line;
    if (!file.is_open() || (!std::getline(file, line) && !file.eof())) {
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

// Where the command line gave a value, for every option it gave.
void NoteCommandLine(const CLI::App& app, Origins& origins) {
    for (const CLI::Option* option : app.get_options()) {
        if (option->count() > 0 && !option->get_lnames().empty()) {
            origins[option->get_lnames().front()] = "--" + option->get_lnames().front();
        }
    }
}

// "skyflume.state" as "skyflume-2.state" for the second stream.
std::filesystem::path NumberedState(const std::filesystem::path& state, std::size_t number) {
    return state.parent_path() / (state.stem().string() + "-" + std::to_string(number) + state.extension().string());
}

// The streams of the [[stream]] tables, each starting from the top level's
// settings; the one the top level describes when there are none.
void ReadStreams(const ConfigFile* file, const StreamSettings& top, Options& options,
                 std::vector<std::string>& problems) {
    const toml::array* tables = file != nullptr ? file->Top()[kStreamTable].as_array() : nullptr;
    if (tables == nullptr || !tables->is_array_of_tables() || tables->empty()) {
        options.streams.push_back(top);
        return;
    }
    for (const toml::node& table : *tables) {
        StreamSettings settings = top;
        settings.state = NumberedState(top.state, options.streams.size() + 1);
        CLI::App app;
        DefineStreamSettings(app, settings);
        file->Apply(*table.as_table(), app, "", settings.origins, problems);
        options.streams.push_back(std::move(settings));
    }
}

void ReadPasswords(Options& options, std::vector<std::string>& problems) {
    const char* fromEnvironment = std::getenv("SKYFLUME_PASSWORD");
    for (StreamSettings& settings : options.streams) {
        if (settings.passwordFile) {
            settings.password = ReadPasswordFile(*settings.passwordFile);
            if (!settings.password) {
                problems.push_back(settings.origins["password-file"] + ": cannot read the password file " +
                                   *settings.passwordFile);
            }
        } else if (fromEnvironment != nullptr) {
            settings.password = fromEnvironment;
        }
    }
}

}  // namespace

ParsedOptions ParseOptions(int argc, char** argv) {
    ParsedOptions parsed;
    Options& options = parsed.options;
    std::vector<std::string>& problems = parsed.problems;
    Definition definition(options);
    StreamSettings& top = definition.top;
    top.state = DefaultStatePath();
    CLI::App& app = definition.app;
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        options.action = Options::Action::Help;
        return parsed;
    } catch (const CLI::CallForVersion&) {
        options.action = Options::Action::Version;
        return parsed;
    } catch (const CLI::ParseError& error) {
        problems.push_back(error.what());
        return parsed;
    }
    if (app.count("--password") > 0) {
        problems.push_back(std::string("--password: ") + kNoPassword);
        return parsed;
    }
    for (const std::string& extra : app.remaining()) {
        problems.push_back(extra.starts_with("-")
                               ? "unknown option " + extra
                               : "unexpected argument '" + extra +
                                     "' (the password is never given on the command line; use --password-file or "
                                     "SKYFLUME_PASSWORD)");
    }
    NoteCommandLine(app, options.origins);
    top.origins = options.origins;

    std::optional<ConfigFile> file;
    if (options.config) {
        file = ConfigFile::Read(options.config->string(), problems);
        if (file) {
            file->Apply(file->Top(), app, kStreamTable, options.origins, problems);
            top.origins = options.origins;
            if (options.origins.contains("password")) {
                problems.push_back(options.origins["password"] + ": " + kNoPassword);
            }
        }
    }
    ReadStreams(file ? &*file : nullptr, top, options, problems);
    ReadPasswords(options, problems);

    // A bare file name is the file in the current folder, not a library for the loader to search for.
    if (options.module) {
        options.module = std::filesystem::absolute(*options.module);
    }
    if (options.inputs.empty()) {
        options.inputs.push_back("tone:1000");
    }
    if (app.count("--register") > 0) {
        options.action = Options::Action::Register;
    } else if (app.count("--unregister") > 0) {
        options.action = Options::Action::Unregister;
    } else if (app.count("--check-config") > 0) {
        options.action = Options::Action::CheckConfig;
    } else if (options.windowPng && !definition.stream) {
        options.action = Options::Action::DrawWindow;
    }
    return parsed;
}

std::string HelpText() {
    Options options;
    return Definition(options).app.help();
}

std::string VersionText() {
    return std::string("sonaplex-host ") + kHostVersion + ", for plug-ins of interface version " +
           std::to_string(kPluginInterfaceVersion) + "\n";
}
