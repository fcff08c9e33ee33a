#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Where each value was given, by key: "FILE:LINE: key" for the
// configuration file, "--key" for the command line; messages start with it.
using Origins = std::map<std::string, std::string>;

// What one stream types into its plug-in's settings window; none keeps what
// the window shows (the state file's settings).
struct StreamSettings {
    std::filesystem::path state;
    std::optional<std::string> server;
    std::optional<std::string> port;
    std::optional<std::string> mount;
    std::optional<std::string> user;
    std::optional<std::string> passwordFile;
    std::optional<std::string> password;  // from the password file or SKYFLUME_PASSWORD
    std::optional<int> bitRateKbps;
    std::optional<int> sampleRate;
    std::optional<std::string> name;
    std::optional<std::string> description;
    std::optional<std::string> genre;
    std::optional<std::string> website;
    Origins origins;
};

// What the command line and the configuration file ask of sonaplex-host.
struct Options {
    enum class Action { Stream, DrawWindow, CheckConfig, Register, Unregister, Help, Version };

    Action action = Action::Stream;
    std::optional<std::filesystem::path> module;     // absolute; none: the registry's "Path"
    std::vector<std::string> inputs;                 // played in turn; never empty once parsed
    std::optional<std::string> title;                // none: each file's own
    std::optional<std::filesystem::path> titleFile;  // its first line is the title
    bool loop = false;
    bool noReconnect = false;               // a lost stream ends the run
    std::optional<double> durationSeconds;  // none: until the input ends or Ctrl-C
    int hostRate = 44100;
    int blockMs = 10;
    std::optional<std::filesystem::path> windowPng;
    std::optional<std::string> statusListen;  // ADDR:PORT of the health view
    // The silence guard.
    double silenceThresholdDbfs = -50.0;
    double silenceAfterSeconds = 15.0;
    double silenceRecoverSeconds = 5.0;
    std::optional<std::string> onSilence;  // a command for /bin/sh -c
    std::vector<std::string> fallbacks;    // played in turn, again and again; empty: none
    std::optional<std::filesystem::path> config;
    // One per [[stream]] table, or the one the top level describes; never
    // empty once parsed.
    std::vector<StreamSettings> streams;
    Origins origins;
};

struct ParsedOptions {
    Options options;
    // Usage problems, one line each; none when the options are usable.
    std::vector<std::string> problems;
};

// Reads argv, the configuration file it names and the environment
// (SKYFLUME_PASSWORD), and the password files.
ParsedOptions ParseOptions(int argc, char** argv);

std::string HelpText();
std::string VersionText();
