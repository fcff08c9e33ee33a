#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "host/body_threads.h"
#include "host/event_queue.h"
#include "host/host_string.h"
#include "plugin_sdk/gui_toolkit.h"
#include "plugin_sdk/host_application.h"

// The application that every host of this repository offers one plug-in
// object. The thread that creates it is the GUI thread: it makes every call
// into the plug-in, clicks the menu, sends the host's own events and runs the
// posted ones. PostEvent is the one operation called from other threads, and
// DeliverAudio belongs to the audio thread. Reserved slots do nothing, the
// three configuration checks pass, the GUI service is the one given, if any;
// messages and menu entries are kept for the host to show. Texts are
// converted for real, since the module relies on them.
class ApplicationBase : public SXApplication {
public:
    struct Message {
        bool boxed;  // ShowMessageBox rather than ShowMessage
        int32_t kind;
        HostText caption;
        HostText text;
        int32_t reserved;
    };
    struct MenuItem {
        HostText name;
        SXMenuItemListener* listener;
    };

    // With a queue of its own for the posted events.
    explicit ApplicationBase(TGuiService* guiService = nullptr, int32_t sampleRate = 44100);
    // With the queue that the applications of several plug-ins share; it
    // outlives the application, since events posted by the plug-in's threads
    // may still be queued when it goes.
    ApplicationBase(TGuiService* guiService, int32_t sampleRate, EventQueue& sharedEvents);
    ApplicationBase(const ApplicationBase&) = delete;
    ApplicationBase& operator=(const ApplicationBase&) = delete;

    // Every message shown so far, oldest first.
    const std::vector<Message>& Messages() const { return messages; }
    // Entries currently in the menu.
    const std::vector<MenuItem>& MenuItems() const { return menuItems; }
    const std::vector<SXEventListener*>& EventListeners() const { return eventListeners; }

    // The user chooses a menu entry.
    void ClickMenuItem(size_t index);
    // The host's own event, to every listener registered now.
    void SendHostEvent(int32_t id);
    // Runs the events posted so far, in posting order; answers how many.
    size_t DeliverEvents();
    // Runs posted events as they come until one with this id has run;
    // false if none came in time.
    bool WaitForEvent(int32_t id, std::chrono::milliseconds timeout);
    // Waits until every thread started for the plug-in has finished, its
    // reference on the body given back; the module may go after that.
    void WaitForThreads();
    // The same, false if one is still running after the timeout.
    bool WaitForThreads(std::chrono::milliseconds timeout);

    // Audio thread: hands one block to every registered callback.
    void DeliverAudio(const float* interleaved, int32_t frameCount);
    // The callbacks registered now, in the order they came.
    std::vector<SXAudioCallback*> AudioCallbacks() const;

    // RUnknown: the application lives as long as its host; counting is a no-op.
    int32_t QueryInterface(const GUID*, void**) override { return kENoInterface; }
    int32_t AddRef() override { return 1; }
    int32_t Release() override { return 1; }

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
    int32_t IsStarted() override { return 1; }
    int32_t IsWindowSuppressed() override { return 0; }
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
    // Any thread: queues, holding a reference on the target until its
    // OnEvent has run, and returns at once; never waits for the GUI thread.
    int32_t PostEvent(SXEventListener* target, int32_t id, int32_t param, intptr_t param2) override;
    void Reserved39() override {}
    void Reserved40() override {}
    int32_t GetSampleRate() override { return sampleRate; }
    int32_t IsStreamFormatProcessing() override { return 1; }
    int32_t IsProcessAudioEnabled() override { return 1; }
    void Reserved44() override {}
    void Reserved45() override {}
    void FreeUtf8(char* text) override;
    void WideToUtf8(const WChar* text, char** out) override;
    void Reserved48() override {}
    // Runs body->Run() on a new thread, holding a reference on the body while
    // it runs; the handle, signalled when Run has returned, is the caller's.
    int32_t StartThread(int32_t option, HANDLE* out, SXThread* body) override;

protected:
    TGuiService* guiService;

private:
    const int32_t sampleRate;
    std::vector<Message> messages;
    std::vector<MenuItem> menuItems;
    std::vector<SXEventListener*> eventListeners;
    // Held for one block's calls, so that unregistering waits for them.
    mutable std::mutex audioMutex;
    std::vector<SXAudioCallback*> audioCallbacks;

    // Destroyed in reverse: the threads are waited for, then the targets of
    // events that never ran are let go, since a thread may still post.
    std::unique_ptr<EventQueue> ownEvents;
    EventQueue& events;
    BodyThreads threads;
};
