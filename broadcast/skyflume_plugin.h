#pragma once

#include <array>
#include <span>

#include "broadcast/plugin_state.h"
#include "plugin_sdk/host_listeners.h"
#include "plugin_sdk/sx_general_plugin_helper.h"

// {E85D1DFD-8B26-4399-A2E8-20FE315600C1}
inline constexpr GUID kSkyflumePluginId = {
    0xE85D1DFD, 0x8B26, 0x4399, {0xA2, 0xE8, 0x20, 0xFE, 0x31, 0x56, 0x00, 0xC1}};

// The streaming plug-in: nine interface parts on one reference count. The
// host holds the first reference; the last Release destroys it.
class SkyflumePlugin : public SXGeneralPluginHelper<PluginState>,
                       public TButtonListener,
                       public SXAudioCallback,
                       public SXEventListener,
                       public TComboBoxListener,
                       public SXThread {
public:
    SkyflumePlugin() = default;

    // RUnknown of every part, on the count of CRUnknown
    SX_FORWARD_RUNKNOWN_TO(CRUnknown)

    // RPlugin
    void GetPluginId(const GUID** out) override;

    // TButtonListener
    void OnButtonClicked(TButton* button) override;

    // SXAudioCallback
    void OnAudio(void* reserved, const float* samples, int32_t frameCount) override;

    // SXEventListener
    void OnEvent(int32_t id, int32_t param, intptr_t param2) override;

    // TComboBoxListener: keeps the chosen index in the state at once.
    void OnSelectionChanged(TComboBox* comboBox) override;

    // SXThread
    int32_t Run() override;

protected:
    // Releases nothing held: the window and controls go with CloseWindow.
    ~SkyflumePlugin() override = default;

    // Plug-in frame
    const WChar* GetDisplayName() override;
    const WChar* GetShortName() override;
    const WChar* GetAuthorName() override;
    int32_t OnInitialize(int32_t version, SXHost* sxHost) override;
    void CreateControls(TGuiService* guiService, TGuiFactory* factory) override;
    void DestroyControls() override;
    void LoadControls() override;

    // Stores the nine box texts, or their fall-backs for emptied boxes.
    void ReadControls();

    // The settings window's controls: owned from CreateControls to
    // DestroyControls, valid only while the window is open.
    TLabel* captionLabels[11] = {};
    TTextBox* serverHostBox = nullptr;
    TNumberBox* serverPortBox = nullptr;
    TTextBox* mountPointBox = nullptr;
    TTextBox* userNameBox = nullptr;
    TPasswordBox* passwordBox = nullptr;
    TComboBox* bitRateCombo = nullptr;
    TComboBox* sampleRateCombo = nullptr;
    TTextBox* radioNameBox = nullptr;
    TTextBox* radioDescriptionBox = nullptr;
    TTextBox* radioGenreBox = nullptr;
    TTextBox* radioWebsiteBox = nullptr;
    TSeparator* separatorLine = nullptr;
    TLabel* statusLabel = nullptr;
    TButton* streamButton = nullptr;

private:
    // One input box with the state field it edits.
    struct TextBinding {
        TComponent* box;
        std::span<WChar> field;
        const WChar* fallback;
    };
    // The nine boxes in the order in which they are filled and read back.
    std::array<TextBinding, 9> TextBindings();
};
