#include "host/sonaplex_host/config_file.h"

#include <fstream>
#include <sstream>

namespace {

// A TOML value as the command line would give it; false for tables and
// other values no option takes.
bool AsArguments(const toml::node& node, std::vector<std::string>& arguments) {
    if (const toml::array* array = node.as_array()) {
        for (const toml::node& element : *array) {
            if (element.is_array() || !AsArguments(element, arguments)) {
                return false;
            }
        }
        return true;
    }
    if (const auto* text = node.as_string()) {
        arguments.push_back(text->get());
    } else if (const auto* integer = node.as_integer()) {
        arguments.push_back(std::to_string(integer->get()));
    } else if (const auto* number = node.as_floating_point()) {
        std::ostringstream written;
        written << number->get();
        arguments.push_back(written.str());
    } else if (const auto* flag = node.as_boolean()) {
        arguments.push_back(flag->get() ? "true" : "false");
    } else {
        return false;
    }
    return true;
}

// CLI11's message without the option's name in front, which the caller
// names as the file's key.
std::string WithoutOptionName(const std::string& message, const std::string& name) {
    const std::string prefix = name + ": ";
    return message.starts_with(prefix) ? message.substr(prefix.size()) : message;
}

}  // namespace

std::optional<ConfigFile> ConfigFile::Read(const std::string& path, std::vector<std::string>& problems) {
    if (!std::ifstream(path).is_open()) {
        problems.push_back("cannot read the configuration file " + path);
        return std::nullopt;
    }
    try {
        return ConfigFile(path, toml::parse_file(path));
    } catch (const toml::parse_error& error) {
        problems.push_back(path + ":" + std::to_string(error.source().begin.line) + ": " +
                           std::string(error.description()));
        return std::nullopt;
    }
}

std::string ConfigFile::Where(const toml::node& node, std::string_view key) const {
    return path + ":" + std::to_string(node.source().begin.line) + ": " + std::string(key);
}

void ConfigFile::Apply(const toml::table& table, CLI::App& app, std::string_view nested, Origins& origins,
                       std::vector<std::string>& problems) const {
    for (const auto& [key, node] : table) {
        const std::string name(key.str());
        if (name == nested && node.is_array_of_tables()) {
            continue;
        }
        const std::string where = Where(node, name);
        CLI::Option* option = app.get_option_no_throw("--" + name);
        if (option == nullptr || !option->get_configurable()) {
            problems.push_back(where + ": no such key (sonaplex-host --help lists the options)");
            continue;
        }
        // The command line wins over the file.
        if (option->count() > 0) {
            continue;
        }
        std::vector<std::string> arguments;
        if (!AsArguments(node, arguments)) {
            problems.push_back(where + ": wants a text, a number, true or false, or a list of them");
            continue;
        }
        try {
            for (std::string& argument : arguments) {
                option->add_result(std::move(argument));
            }
            option->run_callback();
            origins[name] = where;
        } catch (const CLI::Error& error) {
            problems.push_back(where + ": " + WithoutOptionName(error.what(), option->get_name()));
        }
    }
}
