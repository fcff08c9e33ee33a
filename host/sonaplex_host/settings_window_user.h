#pragma once

#include <string>
#include <vector>

#include "host/recording_gui_toolkit.h"
#include "host/sonaplex_host/failure_explanation.h"
#include "host/sonaplex_host/options.h"

// Acts on the plug-in's open settings window as a user would: finds each
// input by the caption beside it, types texts, picks drop-down items and
// clicks the Stream/Stop button.
class SettingsWindowUser {
public:
    SettingsWindowUser(RecordingGuiToolkit& toolkit, ComponentRecord& window) : toolkit(toolkit), window(window) {}

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

    // The status text ("Status: ..."); empty if the window shows none.
    HostText StatusText() const;
    // Clicks the Stream/Stop button; false if the window has none.
    bool ClickStreamButton();

    const ComponentRecord& Window() const { return window; }

private:
    ComponentRecord* InputBeside(std::u16string_view caption) const;
    std::string TextBeside(std::u16string_view caption) const;
    std::string Type(std::u16string_view caption, const std::string& text);
    std::string Pick(std::u16string_view caption, const std::u16string& item);

    RecordingGuiToolkit& toolkit;
    ComponentRecord& window;
};
