#pragma once

// The plug-in's open settings window in a recording toolkit, driven by its
// controls' numbers as a user would drive it, and the texts the tests expect.

#include <cstdint>
#include <string>
#include <vector>

#include "host/host_string.h"
#include "host/recording_gui_toolkit.h"
#include "support/settings_controls.h"

namespace skyflume::test {

// The controls that a running stream disables, the button last.
inline constexpr Control kInputControls[] = {
    kServerHostBox,       kServerPortBox, kMountPointBox,   kUserNameBox,  kPasswordBox,     kRadioNameBox,
    kRadioDescriptionBox, kRadioGenreBox, kRadioWebsiteBox, kBitRateCombo, kSampleRateCombo,
};

HostText Text(const std::string& ascii);
std::string Narrow(const HostText& text);

// A settings window's controls, with the user's actions on them: the window
// given, or else the one the toolkit has open.
class SettingsWindow {
public:
    explicit SettingsWindow(RecordingGuiToolkit& toolkit, ComponentRecord* window = nullptr)
        : toolkit(toolkit), window(window) {}

    // Fails the test when no window is open.
    ComponentRecord& Window() const;
    ComponentRecord& At(Control control) const;
    void Type(Control box, const std::string& text) const;
    // Picks the drop-down item that reads `item`.
    void Pick(Control combo, const std::string& item) const;
    void Click() const { toolkit.Click(At(kStreamButton)); }
    std::string Status() const { return Narrow(At(kStatusLabel).text); }
    std::string ButtonCaption() const { return Narrow(At(kStreamButton).text); }
    bool ButtonEnabled() const { return At(kStreamButton).enabled; }
    // How many of the inputs are enabled.
    int EnabledInputs() const;
    bool Closable() const { return Window().closable != 0; }
    // Expects the window as it is with no stream running: the status given,
    // the button reading Stream, every control enabled, closable.
    void ExpectIdleWith(const std::string& status) const;
    // Expects the window while a run connects: every control disabled, the
    // window not closable.
    void ExpectConnecting() const;
    // The settings of a server on loopback with the given login.
    void TypeServer(uint16_t port, const std::string& mount, const std::string& user,
                    const std::string& password) const;

private:
    RecordingGuiToolkit& toolkit;
    ComponentRecord* const window;
};

}  // namespace skyflume::test
