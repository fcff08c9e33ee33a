#include "host/sonaplex_host/settings_window_user.h"

#include <cstdlib>

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

std::string SettingsWindowUser::EnterSettings(const Options& options) {
    const std::pair<std::u16string_view, const std::optional<std::string>*> texts[] = {
        {u"Server URL", &options.server},       {u"Server Port", &options.port},  {u"Mount Point", &options.mount},
        {u"User Name", &options.user},          {u"Password", &options.password}, {u"Radio Name", &options.name},
        {u"Radio Desc.", &options.description}, {u"Radio Genre", &options.genre}, {u"Radio Website", &options.website},
    };
    for (const auto& [caption, value] : texts) {
        if (*value) {
            if (std::string error = Type(caption, **value); !error.empty()) {
                return error;
            }
        }
    }
    if (options.bitRateKbps) {
        if (std::string error = Pick(u"Bit Rate", Utf16(std::to_string(*options.bitRateKbps) + " kbps"));
            !error.empty()) {
            return error;
        }
    }
    if (options.sampleRate) {
        if (std::string error = Pick(u"Sample Rate", Utf16(std::to_string(*options.sampleRate) + " Hz"));
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
