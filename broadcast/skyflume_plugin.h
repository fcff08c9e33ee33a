#pragma once

#include <array>
#include <optional>
#include <span>

#include "broadcast/plugin_state.h"
#include "broadcast/stream_worker.h"
#include "plugin_frame/sx_general_plugin_helper.h"
#include "plugin_sdk/host_listeners.h"
#include "plugin_sdk/ref_ptr.h"

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
    // The window and controls go with CloseWindow; the run ends before
    // anything it uses goes.
    ~SkyflumePlugin() override = default;

    // Plug-in frame
    const WChar* GetDisplayName() override;
    const WChar* GetShortName() override;
    const WChar* GetAuthorName() override;
    int32_t OnInitialize(int32_t version, SXHost* sxHost) override;
    void CreateControls(TGuiService* guiService, TGuiFactory* factory) override;
    void DestroyControls() override;
    void LoadControls() override;
    void OnActivate() override;
    void OnDeactivate() override;
    void OnUnload() override;

    // Validates the connection texts and reads the station texts; none when
    // the user has been told why not.
    std::optional<StreamParams> PrepareStreamParams();
    // Enables or disables every input and the button; labels stay as they are.
    void EnableControls(bool enabled);

    // Stores the nine box texts, or their fall-backs for emptied boxes.
    void ReadControls();

    // The settings window's controls: held from CreateControls to
    // DestroyControls, valid only while the window is open.
    struct Controls {
        RefPtr<TLabel> captionLabels[11];
        RefPtr<TTextBox> serverHostBox;
        RefPtr<TNumberBox> serverPortBox;
        RefPtr<TTextBox> mountPointBox;
        RefPtr<TTextBox> userNameBox;
        RefPtr<TPasswordBox> passwordBox;
        RefPtr<TComboBox> bitRateCombo;
        RefPtr<TComboBox> sampleRateCombo;
        RefPtr<TTextBox> radioNameBox;
        RefPtr<TTextBox> radioDescriptionBox;
        RefPtr<TTextBox> radioGenreBox;
        RefPtr<TTextBox> radioWebsiteBox;
        RefPtr<TSeparator> separatorLine;
        RefPtr<TLabel> statusLabel;
        RefPtr<TButton> streamButton;
    };
    Controls ui;

    // The stream run, shared with the worker thread and the audio thread as
    // StreamWorker and CaptureBuffer describe.
    StreamWorker worker;

private:
    // A stop asked for by the user or the host: the button goes grey, and
    // the worker is stopped unless a stop is already under way.
    void RequestStop();
    void StartStream();
    // Back to idle before any worker ran, with the status that says why.
    void AbandonStart(int32_t status);
    // Finishes the run and returns the controls to idle with the status text
    // of the run's end.
    void FinishStream(int32_t status);
    // A window opened while a run exists shows that run, not a fresh start.
    void ShowRunState();

    // One input box with the state field it edits.
    struct TextBinding {
        TComponent* box;
        std::span<WChar> field;
        const WChar* fallback;
    };
    // The nine boxes in the order in which they are filled and read back.
    std::array<TextBinding, 9> TextBindings();
};
