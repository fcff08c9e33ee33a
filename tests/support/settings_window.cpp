#include "support/settings_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "host/settings_window_driver.h"

namespace skyflume::test {

HostText Text(const std::string& ascii) {
    return HostText(ascii.begin(), ascii.end());
}

std::string Narrow(const HostText& text) {
    std::string ascii;
    for (const WChar unit : text) {
        ascii += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    return ascii;
}

ComponentRecord& SettingsWindow::Window() const {
    ComponentRecord* const found = window != nullptr ? window : toolkit.OpenWindow();
    if (found == nullptr) {
        ADD_FAILURE() << "no window is open";
        static ComponentRecord none{};
        return none;
    }
    return *found;
}

ComponentRecord& SettingsWindow::At(Control control) const {
    return *toolkit.ControlsOf(Window()).at(static_cast<size_t>(control) - 1);
}

void SettingsWindow::Type(Control box, const std::string& text) const {
    toolkit.TypeText(At(box), Text(text));
}

void SettingsWindow::Pick(Control combo, const std::string& item) const {
    ComponentRecord& list = At(combo);
    const auto found = std::find(list.items.begin(), list.items.end(), Text(item));
    toolkit.PickItem(list, static_cast<int32_t>(found - list.items.begin()));
}

int SettingsWindow::EnabledInputs() const {
    int enabled = 0;
    for (const Control control : kInputControls) {
        enabled += At(control).enabled ? 1 : 0;
    }
    return enabled;
}

void SettingsWindow::ExpectIdleWith(const std::string& status) const {
    EXPECT_EQ(Status(), status);
    EXPECT_EQ(ButtonCaption(), "Stream");
    EXPECT_TRUE(ButtonEnabled());
    EXPECT_EQ(EnabledInputs(), static_cast<int>(std::size(kInputControls)));
    EXPECT_TRUE(Closable());
}

void SettingsWindow::ExpectConnecting() const {
    EXPECT_EQ(Status(), "Status: connecting...");
    EXPECT_FALSE(ButtonEnabled());
    EXPECT_EQ(EnabledInputs(), 0);
    EXPECT_FALSE(Closable());
}

void SettingsWindow::TypeServer(uint16_t port, const std::string& mount, const std::string& user,
                                const std::string& password) const {
    SettingsWindowDriver driver(toolkit, Window());
    for (const std::string& error :
         {driver.Type("Server URL", "127.0.0.1"), driver.Type("Server Port", std::to_string(port)),
          driver.Type("Mount Point", mount), driver.Type("User Name", user), driver.Type("Password", password)}) {
        EXPECT_EQ(error, "");
    }
}

}  // namespace skyflume::test
