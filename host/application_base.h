#pragma once

#include <mutex>
#include <vector>

#include "plugin_sdk/gui_toolkit.h"
#include "plugin_sdk/host_application.h"

// An SXApplication whose every operation has a plain answer: reserved slots
// do nothing, the three configuration checks pass, the rate is 44100 Hz,
// events and threads are refused, the GUI service is the one given, if any.
// Audio callbacks are kept in a list that DeliverAudio walks. Hosts derive
// from it and override what they offer. Texts are converted for real, since
// the module relies on them.
class ApplicationBase : public SXApplication {
public:
    // RUnknown: the application lives as long as its host; counting is a no-op.
    int32_t QueryInterface(const GUID* iid, void** out) override;
    int32_t AddRef() override;
    int32_t Release() override;

    // SXApplication
    void Reserved3() override {}
    void Reserved4() override {}
    void Reserved5() override {}
    void Reserved6() override {}
    void Reserved7() override {}
    void Reserved8() override {}
    void Reserved9() override {}
    void Reserved10() override {}
    void Reserved11() override {}
    void Reserved12() override {}
    void Reserved13() override {}
    void Reserved14() override {}
    void Reserved15() override {}
    void Reserved16() override {}
    void Reserved17() override {}
    int32_t IsStarted() override;
    int32_t IsWindowSuppressed() override;
    void Reserved20() override {}
    void Reserved21() override {}
    void Reserved22() override {}
    void ShowMessageBox(int32_t kind, RString* caption, RString* text, int32_t reserved) override;
    void ShowMessage(RString* caption, RString* text) override;
    void AddMenuItem(RString* name, SXMenuItemListener* listener) override;
    void RemoveMenuItem(SXMenuItemListener* listener) override;
    int32_t GetService(const GUID* id, void** out) override;
    void Reserved28() override {}
    void Reserved29() override {}
    // Once Unregister returns, no OnAudio of that callback runs or starts.
    void RegisterAudioCallback(SXAudioCallback* callback) override;
    void UnregisterAudioCallback(SXAudioCallback* callback) override;
    void RegisterEventListener(SXEventListener* listener) override;
    void UnregisterEventListener(SXEventListener* listener) override;
    void Reserved34() override {}
    void Reserved35() override {}
    void Reserved36() override {}
    void Reserved37() override {}
    int32_t PostEvent(SXEventListener* target, int32_t id, int32_t param, intptr_t param2) override;
    void Reserved39() override {}
    void Reserved40() override {}
    int32_t GetSampleRate() override;
    int32_t IsStreamFormatProcessing() override;
    int32_t IsProcessAudioEnabled() override;
    void Reserved44() override {}
    void Reserved45() override {}
    void FreeUtf8(char* text) override;
    void WideToUtf8(const WChar* text, char** out) override;
    void Reserved48() override {}
    int32_t StartThread(int32_t option, HANDLE* out, SXThread* body) override;

    // Audio thread: hands one block to every registered callback.
    void DeliverAudio(const float* interleaved, int32_t frameCount);
    // The callbacks registered now, in the order they came.
    std::vector<SXAudioCallback*> AudioCallbacks() const;

protected:
    explicit ApplicationBase(TGuiService* guiService = nullptr) : guiService(guiService) {}
    ~ApplicationBase() = default;

    TGuiService* guiService;

private:
    // Held for one block's calls, so that unregistering waits for them.
    mutable std::mutex audioMutex;
    std::vector<SXAudioCallback*> audioCallbacks;
};
