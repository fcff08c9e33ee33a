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

template <class Control>
void PlaceInput(Control* control, int32_t y, int32_t width) {
    control->SetPosition(kInputX, y);
    control->SetSize(width, 0);
}

template <class Control>
void ReleaseControl(Control*& control) {
    control->Release();
    control = nullptr;
}

}  // namespace

void SkyflumePlugin::CreateControls(TGuiService*, TGuiFactory* factory) {
    window->SetSize(290, 412);

    for (size_t i = 0; i < std::size(kCaptions); ++i) {
        factory->CreateLabel(window, 0, &captionLabels[i]);
        captionLabels[i]->SetPosition(kCaptionX, kCaptions[i].y);
        SetComponentText(captionLabels[i], kCaptions[i].text);
    }

    factory->CreateTextBox(window, &serverHostBox);
    PlaceInput(serverHostBox, 18, kBoxWidth);
    factory->CreateNumberBox(window, &serverPortBox);
    PlaceInput(serverPortBox, 48, kBoxWidth);
    factory->CreateTextBox(window, &mountPointBox);
    PlaceInput(mountPointBox, 78, kBoxWidth);
    factory->CreateTextBox(window, &userNameBox);
    PlaceInput(userNameBox, 108, kBoxWidth);
    factory->CreatePasswordBox(window, &passwordBox);
    PlaceInput(passwordBox, 138, kBoxWidth);

    factory->CreateComboBox(window, &bitRateCombo);
    PlaceInput(bitRateCombo, 168, kComboWidth);
    for (const int32_t kbps : kBitRateTable) {
        AddItem(bitRateCombo, BitRateLabel(kbps));
    }
    bitRateCombo->SetSelectedIndex(BitRateIndex(state));
    bitRateCombo->SetListener(this);

    factory->CreateComboBox(window, &sampleRateCombo);
    PlaceInput(sampleRateCombo, 198, kComboWidth);
    AddItem(sampleRateCombo, SX_TEXT("44100 Hz"));
    AddItem(sampleRateCombo, SX_TEXT("48000 Hz"));
    sampleRateCombo->SetSelectedIndex(state.sampleRateIndex);
    sampleRateCombo->SetListener(this);

    factory->CreateTextBox(window, &radioNameBox);
    PlaceInput(radioNameBox, 232, kBoxWidth);
    factory->CreateTextBox(window, &radioDescriptionBox);
    PlaceInput(radioDescriptionBox, 262, kBoxWidth);
    factory->CreateTextBox(window, &radioGenreBox);
    PlaceInput(radioGenreBox, 292, kBoxWidth);
    factory->CreateTextBox(window, &radioWebsiteBox);
    PlaceInput(radioWebsiteBox, 322, kBoxWidth);

    factory->CreateSeparator(window, &separatorLine);
    separatorLine->SetPosition(5, 358);
    separatorLine->SetSize(280, 0);

    factory->CreateLabel(window, 0, &statusLabel);
    statusLabel->SetPosition(20, 378);
    SetComponentText(statusLabel, SX_TEXT("Status: ok"));
    statusLabel->SetTextColor(kStatusColor);

    factory->CreateButton(window, &streamButton);
    streamButton->SetPosition(182, 375);
    SetComponentText(streamButton, SX_TEXT("Stream"));
    streamButton->SetListener(this);
}

std::array<SkyflumePlugin::TextBinding, 9> SkyflumePlugin::TextBindings() {
    return {{
        {serverHostBox, state.serverHost, kDefaultServerHost},
        {serverPortBox, state.serverPort, kDefaultServerPort},
        {mountPointBox, state.mountPoint, kDefaultMountPoint},
        {userNameBox, state.userName, kDefaultUserName},
        {passwordBox, state.password, kDefaultPassword},
        {radioNameBox, state.radioName, kMetadataFallback},
        {radioDescriptionBox, state.radioDescription, kMetadataFallback},
        {radioGenreBox, state.radioGenre, kMetadataFallback},
        {radioWebsiteBox, state.radioWebsite, kMetadataFallback},
    }};
}

void SkyflumePlugin::LoadControls() {
    bitRateCombo->SetSelectedIndex(BitRateIndex(state));
    sampleRateCombo->SetSelectedIndex(state.sampleRateIndex);
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
    for (TLabel*& caption : captionLabels) {
        ReleaseControl(caption);
    }
    ReleaseControl(statusLabel);
    ReleaseControl(serverHostBox);
    ReleaseControl(serverPortBox);
    ReleaseControl(mountPointBox);
    ReleaseControl(userNameBox);
    ReleaseControl(passwordBox);
    ReleaseControl(radioNameBox);
    ReleaseControl(radioDescriptionBox);
    ReleaseControl(radioGenreBox);
    ReleaseControl(radioWebsiteBox);
    ReleaseControl(streamButton);
    ReleaseControl(bitRateCombo);
    ReleaseControl(sampleRateCombo);
    ReleaseControl(separatorLine);
}

void SkyflumePlugin::OnSelectionChanged(TComboBox* comboBox) {
    int32_t* stored = nullptr;
    if (comboBox == nullptr) {
        return;
    }
    if (comboBox == bitRateCombo) {
        stored = &state.bitRateIndex;
    } else if (comboBox == sampleRateCombo) {
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
