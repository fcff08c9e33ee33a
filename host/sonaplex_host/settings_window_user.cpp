#include "host/sonaplex_host/settings_window_user.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>

#include "host/text_conversion.h"

namespace {

bool IsInput(ComponentKind kind) {
    return kind == ComponentKind::TextBox || kind == ComponentKind::NumberBox || kind == ComponentKind::PasswordBox ||
           kind == ComponentKind::ComboBox;
}

std::u16string Utf16(const std::string& text) {
    return Utf8ToUtf16(text);
}

std::string Quoted(std::u16string_view text) {
    return "\"" + Utf16ToUtf8(std::u16string(text).c_str()) + "\"";
}

// Each text box, with the option that types into it.
struct TextSetting {
    std::u16string_view caption;
    const char* option;
    std::optional<std::string> StreamSettings::*value;
};

constexpr TextSetting kTextSettings[] = {
    {u"Server URL", "--server", &StreamSettings::server},
    {u"Server Port", "--port", &StreamSettings::port},
    {u"Mount Point", "--mount", &StreamSettings::mount},
    {u"User Name", "--user", &StreamSettings::user},
    {u"Password", "the password", &StreamSettings::password},
    {u"Radio Name", "--name", &StreamSettings::name},
    {u"Radio Desc.", "--description", &StreamSettings::description},
    {u"Radio Genre", "--genre", &StreamSettings::genre},
    {u"Radio Website", "--website", &StreamSettings::website},
};

std::size_t Characters(const std::string& utf8) {
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char byte) { return (static_cast<uint8_t>(byte) & 0xC0) != 0x80; }));
}

}  // namespace

// The input to the right of the caption on its row: the one whose top is
// closest to the caption's.
ComponentRecord* SettingsWindowUser::InputBeside(std::u16string_view caption) const {
    const auto controls = toolkit.ControlsOf(window);
    const ComponentRecord* label = nullptr;
    for (const ComponentRecord* control : controls) {
        if (control->kind == ComponentKind::Label && control->text == caption) {
            label = control;
        }
    }
    if (label == nullptr) {
        return nullptr;
    }
    ComponentRecord* nearest = nullptr;
    for (ComponentRecord* control : controls) {
        if (IsInput(control->kind) && control->x > label->x &&
            (nearest == nullptr || std::abs(control->y - label->y) < std::abs(nearest->y - label->y))) {
            nearest = control;
        }
    }
    return nearest;
}

std::string SettingsWindowUser::Type(std::u16string_view caption, const std::string& text) {
    ComponentRecord* box = InputBeside(caption);
    if (box == nullptr || box->kind == ComponentKind::ComboBox) {
        return "the settings window has no text box beside " + Quoted(caption);
    }
    toolkit.TypeText(*box, Utf16(text));
    return {};
}

std::string SettingsWindowUser::Pick(std::u16string_view caption, const std::u16string& item) {
    ComponentRecord* list = InputBeside(caption);
    if (list == nullptr || list->kind != ComponentKind::ComboBox) {
        return "the settings window has no drop-down list beside " + Quoted(caption);
    }
    for (size_t index = 0; index < list->items.size(); ++index) {
        if (list->items[index] == item) {
            toolkit.PickItem(*list, static_cast<int32_t>(index));
            return {};
        }
    }
    std::string offered;
    for (const HostText& entry : list->items) {
        offered += (offered.empty() ? "" : ", ") + Utf16ToUtf8(entry.c_str());
    }
    return "the " + Quoted(caption) + " list has no item " + Quoted(item) + " (it offers " + offered + ")";
}

std::string SettingsWindowUser::EnterSettings(const StreamSettings& settings) {
    for (const TextSetting& setting : kTextSettings) {
        if (const std::optional<std::string>& value = settings.*setting.value) {
            if (std::string error = Type(setting.caption, *value); !error.empty()) {
                return error;
            }
        }
    }
    if (settings.bitRateKbps) {
        if (std::string error = Pick(u"Bit Rate", Utf16(std::to_string(*settings.bitRateKbps) + " kbps"));
            !error.empty()) {
            return error;
        }
    }
    if (settings.sampleRate) {
        if (std::string error = Pick(u"Sample Rate", Utf16(std::to_string(*settings.sampleRate) + " Hz"));
            !error.empty()) {
            return error;
        }
    }
    return {};
}

std::string SettingsWindowUser::TextBeside(std::u16string_view caption) const {
    const ComponentRecord* box = InputBeside(caption);
    return box != nullptr ? Utf16ToUtf8(box->text.c_str()) : std::string();
}

ConnectionSettings SettingsWindowUser::Connection() const {
    return {TextBeside(u"Server URL"), TextBeside(u"Server Port"), TextBeside(u"Mount Point"), TextBeside(u"User Name"),
            TextBeside(u"Password")};
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

HostText SettingsWindowUser::StatusText() const {
    for (const ComponentRecord* control : toolkit.ControlsOf(window)) {
        if (control->kind == ComponentKind::Label && control->text.starts_with(u"Status:")) {
            return control->text;
        }
    }
    return {};
}

bool SettingsWindowUser::ClickStreamButton() {
    for (ComponentRecord* control : toolkit.ControlsOf(window)) {
        if (control->kind == ComponentKind::Button) {
            toolkit.Click(*control);
            return true;
        }
    }
    return false;
}
