#include "host/sonaplex_host/options.h"

#include <getopt.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "host/app/state_file.h"
#include "plugin_sdk/r_plugin.h"

namespace {

enum OptionId : int {
    kModule = 256,
    kRegister,
    kUnregister,
    kState,
    kInput,
    kLoop,
    kNoReconnect,
    kDuration,
    kHostRate,
    kBlockMs,
    kWindowPng,
    kStream,
    kServer,
    kPort,
    kMount,
    kUser,
    kPasswordFile,
    kBitRate,
    kSampleRate,
    kName,
    kDescription,
    kGenre,
    kWebsite,
    kPassword,
    kTitle,
    kHelp = 'h',
    kVersion = 512,
};

// The project's version, which CMake sets.
constexpr const char* kHostVersion = SKYFLUME_VERSION;

constexpr option kLongOptions[] = {
    {"module", required_argument, nullptr, kModule},
    {"register", no_argument, nullptr, kRegister},
    {"unregister", no_argument, nullptr, kUnregister},
    {"state", required_argument, nullptr, kState},
    {"input", required_argument, nullptr, kInput},
    {"loop", no_argument, nullptr, kLoop},
    {"no-reconnect", no_argument, nullptr, kNoReconnect},
    {"duration", required_argument, nullptr, kDuration},
    {"host-rate", required_argument, nullptr, kHostRate},
    {"block-ms", required_argument, nullptr, kBlockMs},
    {"window-png", required_argument, nullptr, kWindowPng},
    {"stream", no_argument, nullptr, kStream},
    {"server", required_argument, nullptr, kServer},
    {"port", required_argument, nullptr, kPort},
    {"mount", required_argument, nullptr, kMount},
    {"user", required_argument, nullptr, kUser},
    {"password-file", required_argument, nullptr, kPasswordFile},
    {"bit-rate", required_argument, nullptr, kBitRate},
    {"sample-rate", required_argument, nullptr, kSampleRate},
    {"name", required_argument, nullptr, kName},
    {"description", required_argument, nullptr, kDescription},
    {"genre", required_argument, nullptr, kGenre},
    {"website", required_argument, nullptr, kWebsite},
    {"password", required_argument, nullptr, kPassword},
    {"title", required_argument, nullptr, kTitle},
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

std::optional<int> WholeNumber(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> PositiveSeconds(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(value > 0) || value > 1e7) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> BitRate(std::string_view text) {
    const auto kbps = WholeNumber(text, 64, 320);
    constexpr int kBitRates[] = {64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    return kbps && std::find(std::begin(kBitRates), std::end(kBitRates), *kbps) != std::end(kBitRates) ? kbps
                                                                                                       : std::nullopt;
}

// Said without the value, which is a password.
constexpr const char* kNoPasswordOption =
    "--password is not taken (others can read a command line): use --password-file FILE or SKYFLUME_PASSWORD";

std::optional<int> Rate(std::string_view text) {
    const auto rate = WholeNumber(text, 44100, 48000);
    return rate && (*rate == 44100 || *rate == 48000) ? rate : std::nullopt;
}

// What the option wants when the value just given is not one; empty when it is.
std::string Wanted(int id, const Options& options, const std::optional<int>& hostRate,
                   const std::optional<int>& blockMs) {
    switch (id) {
    case kDuration:
        return options.durationSeconds ? "" : "a positive number of seconds";
    case kHostRate:
        return hostRate ? "" : "44100 or 48000";
    case kBlockMs:
        return blockMs ? "" : "1 to 100 milliseconds";
    case kPort:
        return WholeNumber(*options.port, 1, 65535) ? "" : "a port number from 1 to 65535";
    case kBitRate:
        return options.bitRateKbps ? ""
                                   : "one of the plug-in's bit rates: 64, 80, 96, 112, 128, 160, 192, 224, 256 or 320";
    case kSampleRate:
        return options.sampleRate ? "" : "44100 or 48000";
    default:
        return "";
    }
}

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

}  // namespace

ParsedOptions ParseOptions(int argc, char** argv) {
    ParsedOptions parsed;
    Options& options = parsed.options;
    options.state = DefaultStatePath();
    bool stream = false;
    std::optional<std::string> passwordFile;
    std::optional<int> hostRate = options.hostRate;
    std::optional<int> blockMs = options.blockMs;

    auto fail = [&parsed](std::string error) {
        parsed.error = std::move(error);
        return parsed;
    };

    opterr = 0;
    optind = 1;
    for (;;) {
        int index = 0;
        const int id = getopt_long(argc, argv, ":h", kLongOptions, &index);
        if (id == -1) {
            break;
        }
        const std::string value = optarg != nullptr ? optarg : "";
        switch (id) {
        // A bare file name is the file in the current folder, not a library for the loader to search for.
        case kModule:
            options.module = std::filesystem::absolute(value);
            break;
        case kRegister:
            options.action = Options::Action::Register;
            break;
        case kUnregister:
            options.action = Options::Action::Unregister;
            break;
        case kState:
            options.state = value;
            break;
        case kInput:
            options.inputs.push_back(value);
            break;
        case kTitle:
            options.title = value;
            break;
        case kLoop:
            options.loop = true;
            break;
        case kNoReconnect:
            options.noReconnect = true;
            break;
        case kDuration:
            options.durationSeconds = PositiveSeconds(value);
            break;
        case kHostRate:
            hostRate = Rate(value);
            break;
        case kBlockMs:
            blockMs = WholeNumber(value, 1, 100);
            break;
        case kWindowPng:
            options.windowPng = value;
            break;
        case kStream:
            stream = true;
            break;
        case kServer:
            options.server = value;
            break;
        case kPort:
            options.port = value;
            break;
        case kMount:
            options.mount = value;
            break;
        case kUser:
            options.user = value;
            break;
        case kPasswordFile:
            passwordFile = value;
            break;
        case kBitRate:
            options.bitRateKbps = BitRate(value);
            break;
        case kSampleRate:
            options.sampleRate = Rate(value);
            break;
        case kName:
            options.name = value;
            break;
        case kDescription:
            options.description = value;
            break;
        case kGenre:
            options.genre = value;
            break;
        case kWebsite:
            options.website = value;
            break;
        case kPassword:
            return fail(kNoPasswordOption);
        case kHelp:
            options.action = Options::Action::Help;
            return parsed;
        case kVersion:
            options.action = Options::Action::Version;
            return parsed;
        case ':':
            return fail(optopt == kPassword ? kNoPasswordOption : std::string(argv[optind - 1]) + " wants a value");
        default:
            return fail("unknown option " + std::string(argv[optind - 1]));
        }
        // Each value is checked where it was given, so the message names it.
        if (const std::string wanted = Wanted(id, options, hostRate, blockMs); !wanted.empty()) {
            return fail(std::string("--") + kLongOptions[index].name + " wants " + wanted + ", not '" + value + "'");
        }
    }
    if (optind < argc) {
        return fail("unexpected argument '" + std::string(argv[optind]) +
                    "' (the password is never given on the command line; use --password-file or SKYFLUME_PASSWORD)");
    }

    if (options.inputs.empty()) {
        options.inputs.push_back("tone:1000");
    }
    options.hostRate = *hostRate;
    options.blockMs = *blockMs;
    if (passwordFile) {
        options.password = ReadPasswordFile(*passwordFile);
        if (!options.password) {
            return fail("cannot read the password file " + *passwordFile);
        }
    } else if (const char* password = std::getenv("SKYFLUME_PASSWORD"); password != nullptr) {
        options.password = password;
    }
    if (options.windowPng && !stream && options.action == Options::Action::Stream) {
        options.action = Options::Action::DrawWindow;
    }
    return parsed;
}

std::string HelpText() {
    return R"(Usage: sonaplex-host [OPTIONS]

Loads the Skyflume module as the Sonaplex host does, enters the settings
given here into its settings window, clicks Stream and prints every status
text and message until the run ends. A stream that cannot be created or
breaks off gets one more line, "reason: ...", saying why (from what the same
server answers to a request of the host's own) and what to do. While it
streams, a status line shows
the time on air, the input's peak level of the last second in dBFS (CLIP at
full scale) and the server's listener count: redrawn in place on a
terminal, printed every 10 s otherwise.

Module:
  --module PATH        the module file; a bare file name is the one in the
                       current folder (default: the "Path" value of the
                       plug-in's registry key; the registry is the folder in
                       SONAPLEX_REGISTRY, else /etc/sonaplex/registry)
  --register           register the module (DllRegisterServer) and exit
  --unregister         unregister the module (DllUnregisterServer) and exit

Settings, typed into the window (the others keep what the state restored;
a text the plug-in keeps only part of is named with what it kept):
  --server HOST        --port N          --mount PATH      --user NAME
  --bit-rate KBPS      64, 80, 96, 112, 128, 160, 192, 224, 256 or 320,
                       picked as "KBPS kbps" in the drop-down list
  --sample-rate HZ     (44100 or 48000)
  --name TEXT          --description TEXT    --genre TEXT    --website URL
  --password-file FILE the password is the file's first line; without it the
                       environment variable SKYFLUME_PASSWORD, if set (there
                       is no --password: the command line is no place for it)

Run:
  --input INPUT        a file FFmpeg decodes, tone:HZ, an FFmpeg input
                       device as DEVICE:NAME (pulse:default, alsa:hw:0,
                       lavfi:sine=f=440), or - for raw 32-bit float stereo
                       on standard input (default tone:1000);
                       it starts playing when the stream is up; given more
                       than once, the inputs play one after the other
  --loop               play the file, or the list of inputs, again and again
  --title TEXT         the song title the server shows; by default each
                       file's own tags ("artist – title") or its file name,
                       announced when the stream comes up and whenever a
                       new file or pass begins
  --duration S         end the run S seconds after the stream is first up
                       (default: at the end of the input, or on Ctrl-C,
                       SIGTERM or SIGHUP, each of which saves the settings)
  --no-reconnect       end the run when the stream is lost; by default a
                       stream that ends with "Status: stream write error.",
                       or with "Status: stream create error." after it had
                       been up, is started again after 1, 2, 4, 8, 16 s,
                       then every 30 s, while the audio plays on unsent
  --host-rate HZ       the host's sample rate, 44100 or 48000 (default 44100)
  --block-ms MS        audio block length, 1 to 100 ms (default 10)
  --state FILE         the plug-in's saved settings (default
                       $XDG_STATE_HOME/sonaplex-host/skyflume.state)
  --window-png FILE    draw the settings window into a PNG once the settings
                       are entered, then exit without streaming; with
                       --stream, stream and draw it when the stream is up
  -h, --help           this text
  --version            the host's version and the plug-in interface it speaks

Exit status:
  0  the run ended with "Status: done.", after Stop was clicked (or the
     action succeeded)
  1  the host failed: the state could not be saved or the picture drawn
  2  usage error
  3  module error: missing or unusable module, missing export, Initialize
     refused, registration failed
  4  no stream started: the plug-in showed a message (host check or invalid
     setting), or a setting could not be entered
  5  the stream failed and was not brought back: "Status: stream create
     error." (at the first attempt, or with --no-reconnect), "Status: stream
     write error." (with --no-reconnect) or "Status: internal error N"
  6  the audio input cannot be opened
  7  the run ended (duration, end of the input, or a signal) while a lost
     stream was being brought back
)";
}

std::string VersionText() {
    return std::string("sonaplex-host ") + kHostVersion + ", for plug-ins of interface version " +
           std::to_string(kPluginInterfaceVersion) + "\n";
}
