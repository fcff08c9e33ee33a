#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

#include "platform/non_copyable.h"
#include "plugin_sdk/host_listeners.h"

// The host's queue of posted events. Any thread posts and returns at once,
// never waiting for the GUI thread, which may be blocked in a stop; the GUI
// thread delivers them, in posting order. A target is held from its posting
// until its OnEvent has run, so that it is not destroyed under the host.
class EventQueue : NonCopyable {
public:
    EventQueue() = default;
    // Lets go of the targets of events that never ran.
    ~EventQueue();

    // Any thread.
    void Post(SXEventListener* target, int32_t id, int32_t param, intptr_t param2);
    // Any thread: ends a WaitAndDeliver wait early.
    void Wake();

    // GUI thread: runs the events posted so far; answers how many.
    size_t DeliverAll();
    // GUI thread: runs events as they come until one with this id has run;
    // false if none came by the deadline.
    bool DeliverUntil(int32_t id, std::chrono::steady_clock::time_point deadline);
    // GUI thread: waits until an event is posted, Wake is called or the
    // deadline passes, then runs every event queued by then.
    void WaitAndDeliver(std::chrono::steady_clock::time_point deadline);

private:
    struct Event {
        SXEventListener* target;
        int32_t id;
        int32_t param;
        intptr_t param2;
    };
    static void Deliver(const Event& event);

    std::mutex mutex;
    std::condition_variable posted;
    std::deque<Event> events;
    bool woken = false;
};
