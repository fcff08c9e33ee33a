#pragma once

#include <string>
#include <vector>

#include "host/settings_window_driver.h"
#include "host/sonaplex_host/failure_explanation.h"
#include "host/sonaplex_host/options.h"

// The host kit's settings-window driver with the settings that
// sonaplex-host's options give.
class SettingsWindowUser : public SettingsWindowDriver {
public:
    using SettingsWindowDriver::SettingsWindowDriver;

    // Types and picks the settings that the options give; answers what could
    // not be entered, empty when all went in.
    std::string EnterSettings(const StreamSettings& settings);

    // Whether the options give any text to type.
    static bool TypesTexts(const StreamSettings& settings);
    // For each text typed earlier that the window now shows shorter (the
    // plug-in kept only part of it), a line naming the option and what was
    // kept; the password itself is never shown.
    std::vector<std::string> CutTexts(const StreamSettings& settings) const;

    // What the connection boxes hold now.
    ConnectionSettings Connection() const;
};
