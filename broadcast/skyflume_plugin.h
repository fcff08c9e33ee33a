#pragma once

#include <array>
#include <span>

#include "broadcast/plugin_state.h"
#include "broadcast/stream_worker.h"
#include "plugin_frame/sx_general_plugin_helper.h"
#include "plugin_sdk/host_listeners.h"

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
    // Ends a run that is still going.
    ~SkyflumePlugin() override;

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

    // Validates the connection texts and builds streamParams; on false the
    // user has been told why and streamParams is none.
    bool PrepareStreamParams();
    // Enables or disables every input and the button; labels stay as they are.
    void EnableControls(bool enabled);

    // Runs on the audio thread once an OnAudio call has passed its flag
    // test, before it touches the run's buffers. Nothing here; a host double
    // overrides it to hold a call at this point for as long as it likes.
    virtual void OnCaptureAdmitted() {}

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

    // The stream run's fields, shared with the worker thread and the audio
    // thread as StreamWorker describes.
    StreamWorker worker;

private:
    // A stop asked for by the user or the host: the button goes grey, and
    // the worker is stopped unless a stop is already under way.
    void RequestStop();
    // Raises stopRequested, wakes the worker and waits until its thread ends.
    void StopWorker();
    void StartStream();
    // Back to idle before any worker ran, with the status that says why.
    void AbandonStart(int32_t status);
    // Closes the run's lock, event and thread handle and returns the
    // controls to idle with the status text of the run's end.
    void FinishStream(int32_t status);
    // A window opened while a run exists shows that run, not a fresh start.
    void ShowRunState();
    // Appends the full staging planes to inputFifo and wakes the worker.
    void PushStagedBatch();

    // Between OnActivate and OnDeactivate: the host calls OnAudio and OnEvent.
    bool activated = false;

    // One input box with the state field it edits.
    struct TextBinding {
        TComponent* box;
        std::span<WChar> field;
        const WChar* fallback;
    };
    // The nine boxes in the order in which they are filled and read back.
    std::array<TextBinding, 9> TextBindings();
};
