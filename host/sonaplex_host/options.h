#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// What the command line asks of sonaplex-host.
struct Options {
    enum class Action { Stream, DrawWindow, Register, Unregister, Help, Version };

    Action action = Action::Stream;
    std::optional<std::filesystem::path> module;  // absolute; none: the registry's "Path"
    std::filesystem::path state;
    std::vector<std::string> inputs;   // played in turn; never empty once parsed
    std::optional<std::string> title;  // none: each file's own
    bool loop = false;
    bool noReconnect = false;               // a lost stream ends the run
    std::optional<double> durationSeconds;  // none: until the input ends or Ctrl-C
    int hostRate = 44100;
    int blockMs = 10;
    std::optional<std::filesystem::path> windowPng;

    // Settings typed into the window; none keeps what the window shows.
    std::optional<std::string> server;
    std::optional<std::string> port;
    std::optional<std::string> mount;
    std::optional<std::string> user;
    std::optional<std::string> password;  // from --password-file or SKYFLUME_PASSWORD
    std::optional<int> bitRateKbps;
    std::optional<int> sampleRate;
    std::optional<std::string> name;
    std::optional<std::string> description;
    std::optional<std::string> genre;
    std::optional<std::string> website;
};

struct ParsedOptions {
    Options options;
    std::string error;  // a usage error; empty when the options are usable
};

// Reads argv and the environment (SKYFLUME_PASSWORD); reads the password file.
ParsedOptions ParseOptions(int argc, char** argv);

std::string HelpText();
std::string VersionText();
