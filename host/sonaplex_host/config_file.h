#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <toml++/toml.h>
#include <CLI/CLI.hpp>

#include "host/sonaplex_host/options.h"

// A TOML configuration file whose keys are the long options' names. Its
// values go through the same option definitions as the command line, each
// key checked on its own, so that every mistake is named with its line.
class ConfigFile {
public:
    // None, with the reason in `problems`, when the file cannot be read or is
    // no TOML.
    static std::optional<ConfigFile> Read(const std::string& path, std::vector<std::string>& problems);

    // Gives `app`'s options the values of `table`'s keys, except the options
    // the command line gave; `nested` is the one key that may hold an array
    // of tables, left to the caller. Records where each value came from.
    void Apply(const toml::table& table, CLI::App& app, std::string_view nested, Origins& origins,
               std::vector<std::string>& problems) const;

    const toml::table& Top() const { return top; }

private:
    ConfigFile(std::string path, toml::table top) : path(std::move(path)), top(std::move(top)) {}
    std::string Where(const toml::node& node, std::string_view key) const;

    std::string path;
    toml::table top;
};
