// The settings window of SkyflumePlugin: building its controls, filling them
// from the state, storing them back and keeping the drop-down choices.

#include <iterator>
#include <string>

#include "broadcast/skyflume_plugin.h"

namespace {

struct Caption {
    const WChar* text;
    int32_t y;
};

constexpr Caption kCaptions[] = {
    {SX_TEXT("Server URL"), 20},   {SX_TEXT("Server Port"), 50},    {SX_TEXT("Mount Point"), 80},
    {SX_TEXT("User Name"), 110},   {SX_TEXT("Password"), 140},      {SX_TEXT("Bit Rate"), 172},
    {SX_TEXT("Sample Rate"), 202}, {SX_TEXT("Radio Name"), 234},    {SX_TEXT("Radio Desc."), 264},
    {SX_TEXT("Radio Genre"), 294}, {SX_TEXT("Radio Website"), 324},
};
static_assert(std::size(kCaptions) == 11);

constexpr int32_t kCaptionX = 20;
constexpr int32_t kInputX = 120;
constexpr int32_t kBoxWidth = 150;
constexpr int32_t kComboWidth = 100;
constexpr COLORREF kStatusColor = 65280;  // pure green

void AddItem(TComboBox* comboBox, const std::basic_string<WChar>& text) {
    const RefPtr<RString> item = RefPtr<RString>::Adopt(CreateRString(text.c_str()));
    comboBox->AddItem(item.Get());
}

std::basic_string<WChar> BitRateLabel(int32_t kbps) {
    std::basic_string<WChar> label;
    for (const char digit : std::to_string(kbps)) {
        label += static_cast<WChar>(digit);
    }
    return label + SX_TEXT(" kbps");
}

}  // namespace

void SkyflumePlugin::CreateControls(TGuiService*, TGuiFactory* factory) {
    window->SetSize(290, 412);

    for (size_t i = 0; i < std::size(kCaptions); ++i) {
        factory->CreateLabel(window, 0, ui.captionLabels[i].Receive());
        ui.captionLabels[i]->SetPosition(kCaptionX, kCaptions[i].y);
        SetComponentText(ui.captionLabels[i].Get(), kCaptions[i].text);
    }

    // Makes an input with the factory's function, in the column of inputs.
    const auto input = [&](auto create, auto& control, int32_t y, int32_t width) {
        (factory->*create)(window, control.Receive());
        control->SetPosition(kInputX, y);
        control->SetSize(width, 0);
    };
    input(&TGuiFactory::CreateTextBox, ui.serverHostBox, 18, kBoxWidth);
    input(&TGuiFactory::CreateNumberBox, ui.serverPortBox, 48, kBoxWidth);
    input(&TGuiFactory::CreateTextBox, ui.mountPointBox, 78, kBoxWidth);
    input(&TGuiFactory::CreateTextBox, ui.userNameBox, 108, kBoxWidth);
    input(&TGuiFactory::CreatePasswordBox, ui.passwordBox, 138, kBoxWidth);

    input(&TGuiFactory::CreateComboBox, ui.bitRateCombo, 168, kComboWidth);
    for (const int32_t kbps : kBitRateTable) {
        AddItem(ui.bitRateCombo.Get(), BitRateLabel(kbps));
    }
    ui.bitRateCombo->SetSelectedIndex(BitRateIndex(state));
    ui.bitRateCombo->SetListener(this);

    input(&TGuiFactory::CreateComboBox, ui.sampleRateCombo, 198, kComboWidth);
    AddItem(ui.sampleRateCombo.Get(), SX_TEXT("44100 Hz"));
    AddItem(ui.sampleRateCombo.Get(), SX_TEXT("48000 Hz"));
    ui.sampleRateCombo->SetSelectedIndex(SampleRateIndex(state));
    ui.sampleRateCombo->SetListener(this);

    input(&TGuiFactory::CreateTextBox, ui.radioNameBox, 232, kBoxWidth);
    input(&TGuiFactory::CreateTextBox, ui.radioDescriptionBox, 262, kBoxWidth);
    input(&TGuiFactory::CreateTextBox, ui.radioGenreBox, 292, kBoxWidth);
    input(&TGuiFactory::CreateTextBox, ui.radioWebsiteBox, 322, kBoxWidth);

    factory->CreateSeparator(window, ui.separatorLine.Receive());
    ui.separatorLine->SetPosition(5, 358);
    ui.separatorLine->SetSize(280, 0);

    factory->CreateLabel(window, 0, ui.statusLabel.Receive());
    ui.statusLabel->SetPosition(20, 378);
    SetComponentText(ui.statusLabel.Get(), SX_TEXT("Status: ok"));
    ui.statusLabel->SetTextColor(kStatusColor);

    factory->CreateButton(window, ui.streamButton.Receive());
    ui.streamButton->SetPosition(182, 375);
    SetComponentText(ui.streamButton.Get(), SX_TEXT("Stream"));
    ui.streamButton->SetListener(this);
}

std::array<SkyflumePlugin::TextBinding, 9> SkyflumePlugin::TextBindings() {
    return {{
        {ui.serverHostBox.Get(), state.serverHost, kDefaultServerHost},
        {ui.serverPortBox.Get(), state.serverPort, kDefaultServerPort},
        {ui.mountPointBox.Get(), state.mountPoint, kDefaultMountPoint},
        {ui.userNameBox.Get(), state.userName, kDefaultUserName},
        {ui.passwordBox.Get(), state.password, kDefaultPassword},
        {ui.radioNameBox.Get(), state.radioName, kMetadataFallback},
        {ui.radioDescriptionBox.Get(), state.radioDescription, kMetadataFallback},
        {ui.radioGenreBox.Get(), state.radioGenre, kMetadataFallback},
        {ui.radioWebsiteBox.Get(), state.radioWebsite, kMetadataFallback},
    }};
}

void SkyflumePlugin::LoadControls() {
    ui.bitRateCombo->SetSelectedIndex(BitRateIndex(state));
    ui.sampleRateCombo->SetSelectedIndex(SampleRateIndex(state));
    for (const TextBinding& binding : TextBindings()) {
        const auto text = TextInField(binding.field);
        const RefPtr<RString> string =
            RefPtr<RString>::Adopt(CreateRString(text.data(), static_cast<int32_t>(text.size())));
        binding.box->SetText(string.Get());
    }
    ShowRunState();
}

void SkyflumePlugin::ReadControls() {
    for (const TextBinding& binding : TextBindings()) {
        RefPtr<RString> text;
        binding.box->GetText(text.Receive());
        const WChar* buffer = nullptr;
        if (text && text->GetLength() != 0) {
            text->GetBuffer(&buffer);
        }
        if (buffer != nullptr) {
            StoreTextInField(binding.field, {buffer, static_cast<size_t>(text->GetLength())});
        } else {
            StoreTextInField(binding.field, binding.fallback);
        }
    }
}

void SkyflumePlugin::DestroyControls() {
    ReadControls();
    ui = Controls{};
}

void SkyflumePlugin::OnSelectionChanged(TComboBox* comboBox) {
    int32_t* stored = nullptr;
    if (comboBox == nullptr) {
        return;
    }
    if (comboBox == ui.bitRateCombo.Get()) {
        stored = &state.bitRateIndex;
    } else if (comboBox == ui.sampleRateCombo.Get()) {
        stored = &state.sampleRateIndex;
    } else {
        return;
    }
    const int32_t index = comboBox->GetSelectedIndex();
    // A list without a selection keeps the choice made before.
    if (index >= 0) {
        *stored = index;
    }
}
