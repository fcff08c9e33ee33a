#pragma once

#include <cstdint>

#include "plugin_sdk/host_listeners.h"
#include "plugin_sdk/r_string.h"

// The host application's services. Slots that the plug-in does not use are
// reserved so that the used ones keep their positions; hosts implement them
// as no-ops and the plug-in never calls them. Texts passed in are the
// caller's to release after the call.
class SXApplication : public RUnknown {
public:
    virtual void Reserved3() = 0;
    virtual void Reserved4() = 0;
    virtual void Reserved5() = 0;
    virtual void Reserved6() = 0;
    virtual void Reserved7() = 0;
    virtual void Reserved8() = 0;
    virtual void Reserved9() = 0;
    virtual void Reserved10() = 0;
    virtual void Reserved11() = 0;
    virtual void Reserved12() = 0;
    virtual void Reserved13() = 0;
    virtual void Reserved14() = 0;
    virtual void Reserved15() = 0;
    virtual void Reserved16() = 0;
    virtual void Reserved17() = 0;
    virtual int32_t IsStarted() = 0;
    // Exactly 1: the plug-in's window is not reopened on activation.
    virtual int32_t IsWindowSuppressed() = 0;
    virtual void Reserved20() = 0;
    virtual void Reserved21() = 0;
    virtual void Reserved22() = 0;
    virtual void ShowMessageBox(int32_t kind, RString* caption, RString* text, int32_t reserved) = 0;
    virtual void ShowMessage(RString* caption, RString* text) = 0;
    virtual void AddMenuItem(RString* name, SXMenuItemListener* listener) = 0;
    virtual void RemoveMenuItem(SXMenuItemListener* listener) = 0;
    // Nonzero: *out holds a TGuiService reference for the caller; zero: *out is none.
    virtual int32_t GetService(const GUID* id, void** out) = 0;
    virtual void Reserved28() = 0;
    virtual void Reserved29() = 0;
    virtual void RegisterAudioCallback(SXAudioCallback* callback) = 0;
    virtual void UnregisterAudioCallback(SXAudioCallback* callback) = 0;
    virtual void RegisterEventListener(SXEventListener* listener) = 0;
    virtual void UnregisterEventListener(SXEventListener* listener) = 0;
    virtual void Reserved34() = 0;
    virtual void Reserved35() = 0;
    virtual void Reserved36() = 0;
    virtual void Reserved37() = 0;
    // Queues the event from any thread and returns at once, answering 1;
    // the target's OnEvent follows on the GUI thread, in posting order.
    virtual int32_t PostEvent(SXEventListener* target, int32_t id, int32_t param, intptr_t param2) = 0;
    virtual void Reserved39() = 0;
    virtual void Reserved40() = 0;
    // Hz of the frames handed to OnAudio.
    virtual int32_t GetSampleRate() = 0;
    virtual int32_t IsStreamFormatProcessing() = 0;
    virtual int32_t IsProcessAudioEnabled() = 0;
    virtual void Reserved44() = 0;
    virtual void Reserved45() = 0;
    // Frees a text made by WideToUtf8.
    virtual void FreeUtf8(char* text) = 0;
    // *out receives a new terminated UTF-8 copy, owned by the caller (FreeUtf8).
    virtual void WideToUtf8(const WChar* text, char** out) = 0;
    virtual void Reserved48() = 0;
    // Runs body->Run() once on a new thread and answers 0; *out receives a
    // handle that is signalled when Run has returned. The caller closes it.
    virtual int32_t StartThread(int32_t option, HANDLE* out, SXThread* body) = 0;
};

// Handed to the plug-in's Initialize.
class SXHost : public RUnknown {
public:
    // Id kApplicationInterfaceId: *out receives the SXApplication, answer 0.
    // The application is handed out without a reference of the caller's own.
    virtual int32_t GetInterface(int32_t id, void** out) = 0;
};

constexpr int32_t kApplicationInterfaceId = 2002;
