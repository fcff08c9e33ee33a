#include "host/settings_window_driver.h"

#include <cstdlib>

#include "host/text_conversion.h"

namespace {

bool IsInput(ComponentKind kind) {
    return kind == ComponentKind::TextBox || kind == ComponentKind::NumberBox || kind == ComponentKind::PasswordBox ||
           kind == ComponentKind::ComboBox;
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

}  // namespace

// The input to the right of the caption on its row: the one whose top is
// closest to the caption's.
ComponentRecord* SettingsWindowDriver::InputBeside(std::string_view caption) const {
    const HostText text = Utf8ToUtf16(caption);
    const auto controls = toolkit.ControlsOf(window);
    const ComponentRecord* label = nullptr;
    for (const ComponentRecord* control : controls) {
        if (control->kind == ComponentKind::Label && control->text == text) {
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

std::string SettingsWindowDriver::Type(std::string_view caption, const std::string& text) {
    ComponentRecord* box = InputBeside(caption);
    if (box == nullptr || box->kind == ComponentKind::ComboBox) {
        return "the settings window has no text box beside " + Quoted(caption);
    }
    toolkit.TypeText(*box, Utf8ToUtf16(text));
    return {};
}

std::string SettingsWindowDriver::Pick(std::string_view caption, const std::string& item) {
    ComponentRecord* list = InputBeside(caption);
    if (list == nullptr || list->kind != ComponentKind::ComboBox) {
        return "the settings window has no drop-down list beside " + Quoted(caption);
    }
    const HostText wanted = Utf8ToUtf16(item);
    for (size_t index = 0; index < list->items.size(); ++index) {
        if (list->items[index] == wanted) {
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

std::string SettingsWindowDriver::TextBeside(std::string_view caption) const {
    const ComponentRecord* box = InputBeside(caption);
    return box != nullptr ? Utf16ToUtf8(box->text.c_str()) : std::string();
}

HostText SettingsWindowDriver::StatusText() const {
    for (const ComponentRecord* control : toolkit.ControlsOf(window)) {
        if (control->kind == ComponentKind::Label && control->text.starts_with(SX_TEXT("Status:"))) {
            return control->text;
        }
    }
    return {};
}

bool SettingsWindowDriver::ClickStreamButton() {
    for (ComponentRecord* control : toolkit.ControlsOf(window)) {
        if (control->kind == ComponentKind::Button) {
            toolkit.Click(*control);
            return true;
        }
    }
    return false;
}
