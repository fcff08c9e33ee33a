#pragma once

#include <chrono>
#include <vector>

#include "host/application_base.h"
#include "host/body_threads.h"
#include "host/event_queue.h"
#include "host/host_string.h"
#include "plugin_sdk/gui_toolkit.h"

// A host application that answers as configured and keeps what a plug-in
// asks of it. Everything but PostEvent belongs to the thread that drives the
// plug-in (the "GUI thread"); posted events run there through DeliverEvents
// or WaitForEvent. The target of a posted event is held until the event has
// run, and a thread's body while its Run runs, so that neither is destroyed
// under the host.
class RecordingApplication final : public ApplicationBase {
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

    // Without a GUI service GetService answers 0.
    explicit RecordingApplication(TGuiService* guiService = nullptr) : ApplicationBase(guiService) {}
    RecordingApplication(const RecordingApplication&) = delete;
    RecordingApplication& operator=(const RecordingApplication&) = delete;

    // Configuration: the answers of the host's checks.
    int32_t started = 1;
    int32_t windowSuppressed = 0;
    int32_t streamFormatProcessing = 1;
    int32_t processAudioEnabled = 1;
    int32_t sampleRate = 44100;
    // False: StartThread makes no thread and leaves no handle, as a host that
    // cannot make one would.
    bool threadsAvailable = true;
    // False: StartThread holds no reference on the body while Run runs, as a
    // host need not; WaitForThreads does not see such a thread.
    bool holdBodies = true;
    void SetGuiService(TGuiService* service) { guiService = service; }

    // Observation.
    const std::vector<Message>& Messages() const { return messages; }
    // Entries currently in the menu.
    const std::vector<MenuItem>& MenuItems() const { return menuItems; }
    const std::vector<SXEventListener*>& EventListeners() const { return eventListeners; }
    // Threads that StartThread made.
    int32_t ThreadsStarted() const { return threadsStarted; }

    // The user chooses a menu entry.
    void ClickMenuItem(size_t index);
    // The host's own event, to every listener registered now.
    void SendHostEvent(int32_t id);

    // Runs the events posted so far, in posting order; answers how many.
    size_t DeliverEvents();
    // Runs posted events as they come until one with this id has run;
    // false if none came in time.
    bool WaitForEvent(int32_t id, std::chrono::milliseconds timeout);
    // Waits until every thread started so far has run its body and let go of
    // it; false if one is still running after the timeout.
    bool WaitForThreads(std::chrono::milliseconds timeout);

    // SXApplication
    int32_t IsStarted() override { return started; }
    int32_t IsWindowSuppressed() override { return windowSuppressed; }
    void ShowMessageBox(int32_t kind, RString* caption, RString* text, int32_t reserved) override;
    void ShowMessage(RString* caption, RString* text) override;
    void AddMenuItem(RString* name, SXMenuItemListener* listener) override;
    void RemoveMenuItem(SXMenuItemListener* listener) override;
    void RegisterEventListener(SXEventListener* listener) override;
    void UnregisterEventListener(SXEventListener* listener) override;
    // Any thread: queues and returns at once.
    int32_t PostEvent(SXEventListener* target, int32_t id, int32_t param, intptr_t param2) override;
    int32_t GetSampleRate() override { return sampleRate; }
    int32_t IsStreamFormatProcessing() override { return streamFormatProcessing; }
    int32_t IsProcessAudioEnabled() override { return processAudioEnabled; }
    // Runs body->Run() on a new thread; the handle is the caller's to close.
    int32_t StartThread(int32_t option, HANDLE* out, SXThread* body) override;

private:
    std::vector<Message> messages;
    std::vector<MenuItem> menuItems;
    std::vector<SXEventListener*> eventListeners;
    int32_t threadsStarted = 0;

    // Destroyed in reverse: the threads are waited for, then the targets of
    // events that never ran are let go, since a thread may still post.
    EventQueue events;
    BodyThreads threads;
};
