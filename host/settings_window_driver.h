#pragma once

#include <string>
#include <string_view>

#include "host/recording_gui_toolkit.h"

// Acts on a plug-in's open settings window as a user would: finds each input
// by the caption beside it, types texts, picks drop-down items, reads the
// status text and clicks the Stream/Stop button.
class SettingsWindowDriver {
public:
    SettingsWindowDriver(RecordingGuiToolkit& toolkit, ComponentRecord& window) : toolkit(toolkit), window(window) {}

    // Each answers what could not be done, empty when it was done. Captions,
    // texts and items are UTF-8.
    std::string Type(std::string_view caption, const std::string& text);
    std::string Pick(std::string_view caption, const std::string& item);

    // What the text box beside the caption holds; empty without one.
    std::string TextBeside(std::string_view caption) const;
    // The status text ("Status: ..."); empty if the window shows none.
    HostText StatusText() const;
    // Clicks the Stream/Stop button; false if the window has none.
    bool ClickStreamButton();

    const ComponentRecord& Window() const { return window; }

private:
    ComponentRecord* InputBeside(std::string_view caption) const;

    RecordingGuiToolkit& toolkit;
    ComponentRecord& window;
};
