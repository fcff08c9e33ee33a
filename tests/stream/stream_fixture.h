#pragma once

// What the stream tests share: the settings window's controls by number and
// the texts they expect.

#include <cstdint>
#include <string>
#include <vector>

#include "common/settings_controls.h"
#include "host/host_string.h"
#include "host/recording_gui_toolkit.h"

namespace skyflume::test {

// The controls that a running stream disables, the button last.
inline constexpr Control kInputControls[] = {
    kServerHostBox,       kServerPortBox, kMountPointBox,  kUserNameBox,  kPasswordBox,    kRadioNameBox,
    kRadioDescriptionBox, kRadioGenreBox, kRadioWebsiteBox, kBitRateCombo, kSampleRateCombo,
};

HostText Text(const std::string& ascii);
std::string Narrow(const HostText& text);

// The open window's controls, with the user's actions on them.
class SettingsWindow {
public:
    explicit SettingsWindow(RecordingGuiToolkit& toolkit) : toolkit(toolkit) {}

    // Fails the test when no window is open.
    ComponentRecord& Window() const;
    ComponentRecord& At(Control control) const;
    void Type(Control box, const std::string& text) const;
    void Click() const { toolkit.Click(At(kStreamButton)); }
    std::string Status() const { return Narrow(At(kStatusLabel).text); }
    std::string ButtonCaption() const { return Narrow(At(kStreamButton).text); }
    bool ButtonEnabled() const { return At(kStreamButton).enabled; }
    // How many of the inputs are enabled.
    int EnabledInputs() const;
    bool Closable() const { return Window().closable != 0; }
    // The settings of a server on loopback with the given login.
    void TypeServer(uint16_t port, const std::string& mount, const std::string& user,
                    const std::string& password) const;

private:
    RecordingGuiToolkit& toolkit;
};

}  // namespace skyflume::test
