#pragma once

#include <vector>

#include "host/application_base.h"
#include "host/body_threads.h"
#include "host/event_queue.h"
#include "host/host_string.h"
#include "plugin_sdk/gui_toolkit.h"
#include "plugin_sdk/skyflume_contract.h"

// The application that sonaplex-host offers one plug-in object. The thread
// that creates it is the GUI thread: it makes every call into the plug-in and
// runs every posted event from the queue that the applications of all
// streams share. PostEvent is the one operation called from other threads,
// and DeliverAudio belongs to the audio thread.
class HostApplication final : public ApplicationBase {
public:
    struct Message {
        bool boxed;  // ShowMessageBox rather than ShowMessage
        HostText caption;
        HostText text;
    };
    struct MenuItem {
        HostText name;
        SXMenuItemListener* listener;
    };

    // `events` outlives the application: events posted by the plug-in's
    // threads may still be queued when it goes.
    HostApplication(TGuiService* guiService, int32_t sampleRate, EventQueue& events)
        : ApplicationBase(guiService), sampleRate(sampleRate), events(events) {}
    HostApplication(const HostApplication&) = delete;
    HostApplication& operator=(const HostApplication&) = delete;

    // Every message shown so far, oldest first.
    const std::vector<Message>& Messages() const { return messages; }
    const std::vector<MenuItem>& MenuItems() const { return menuItems; }

    // Waits until every thread started for the plug-in has finished, its
    // reference on the body given back; the module may go after that.
    void WaitForThreads() { threads.WaitAll(); }

    // GUI thread: the host's own event, sent to every registered listener.
    void SendHostEvent(int32_t id);

    // SXApplication
    void ShowMessageBox(int32_t kind, RString* caption, RString* text, int32_t reserved) override;
    void ShowMessage(RString* caption, RString* text) override;
    void AddMenuItem(RString* name, SXMenuItemListener* listener) override;
    void RemoveMenuItem(SXMenuItemListener* listener) override;
    void RegisterEventListener(SXEventListener* listener) override;
    void UnregisterEventListener(SXEventListener* listener) override;
    // Any thread: queues, holding a reference on the target until its
    // OnEvent has run, and returns at once; never waits for the GUI thread.
    int32_t PostEvent(SXEventListener* target, int32_t id, int32_t param, intptr_t param2) override;
    int32_t GetSampleRate() override { return sampleRate; }
    // Runs body->Run() on a new thread, holding a reference on the body while
    // it runs; the handle, signalled when Run has returned, is the caller's.
    int32_t StartThread(int32_t option, HANDLE* out, SXThread* body) override;

private:
    const int32_t sampleRate;
    std::vector<Message> messages;
    std::vector<MenuItem> menuItems;
    std::vector<SXEventListener*> eventListeners;
    EventQueue& events;
    BodyThreads threads;
};
