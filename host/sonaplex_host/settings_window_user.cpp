#include "host/sonaplex_host/settings_window_user.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "host/text_conversion.h"

namespace {

// Each text box, with the option that types into it.
struct TextSetting {
    const char* caption;
    const char* option;
    std::optional<std::string> StreamSettings::*value;
};

constexpr TextSetting kTextSettings[] = {
    {"Server URL", "--server", &StreamSettings::server},
    {"Server Port", "--port", &StreamSettings::port},
    {"Mount Point", "--mount", &StreamSettings::mount},
    {"User Name", "--user", &StreamSettings::user},
    {"Password", "the password", &StreamSettings::password},
    {"Radio Name", "--name", &StreamSettings::name},
    {"Radio Desc.", "--description", &StreamSettings::description},
    {"Radio Genre", "--genre", &StreamSettings::genre},
    {"Radio Website", "--website", &StreamSettings::website},
};

std::size_t Characters(const std::string& utf8) {
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char byte) { return (static_cast<uint8_t>(byte) & 0xC0) != 0x80; }));
}

}  // namespace

std::string SettingsWindowUser::EnterSettings(const StreamSettings& settings) {
    for (const TextSetting& setting : kTextSettings) {
        if (const std::optional<std::string>& value = settings.*setting.value) {
            if (std::string error = Type(setting.caption, *value); !error.empty()) {
                return error;
            }
        }
    }
    if (settings.bitRateKbps) {
        if (std::string error = Pick("Bit Rate", std::to_string(*settings.bitRateKbps) + " kbps"); !error.empty()) {
            return error;
        }
    }
    if (settings.sampleRate) {
        if (std::string error = Pick("Sample Rate", std::to_string(*settings.sampleRate) + " Hz"); !error.empty()) {
            return error;
        }
    }
    return {};
}

ConnectionSettings SettingsWindowUser::Connection() const {
    return {TextBeside("Server URL"), TextBeside("Server Port"), TextBeside("Mount Point"), TextBeside("User Name"),
            TextBeside("Password")};
}

bool SettingsWindowUser::TypesTexts(const StreamSettings& settings) {
    return std::any_of(std::begin(kTextSettings), std::end(kTextSettings),
                       [&settings](const TextSetting& setting) { return (settings.*setting.value).has_value(); });
}

std::vector<std::string> SettingsWindowUser::CutTexts(const StreamSettings& settings) const {
    std::vector<std::string> lines;
    for (const TextSetting& setting : kTextSettings) {
        const std::optional<std::string>& typed = settings.*setting.value;
        if (!typed || typed->empty()) {
            continue;
        }
        const std::string kept = TextBeside(setting.caption);
        if (kept.size() >= typed->size() || !typed->starts_with(kept)) {
            continue;
        }
        std::string line = std::string(setting.option) + ": the plug-in keeps " + std::to_string(Characters(kept)) +
                           " of the " + std::to_string(Characters(*typed)) + " characters given";
        if (setting.value != &StreamSettings::password) {
            line += ": \"" + kept + "\"";
        }
        lines.push_back(std::move(line));
    }
    return lines;
}
