#include "host/event_queue.h"

EventQueue::~EventQueue() {
    for (const Event& event : events) {
        event.target->Release();
    }
}

void EventQueue::Post(SXEventListener* target, int32_t id, int32_t param, intptr_t param2) {
    target->AddRef();
    {
        const std::lock_guard lock(mutex);
        events.push_back({target, id, param, param2});
    }
    posted.notify_all();
}

void EventQueue::Wake() {
    {
        const std::lock_guard lock(mutex);
        woken = true;
    }
    posted.notify_all();
}

void EventQueue::Deliver(const Event& event) {
    event.target->OnEvent(event.id, event.param, event.param2);
    event.target->Release();
}

size_t EventQueue::DeliverAll() {
    std::deque<Event> due;
    {
        const std::lock_guard lock(mutex);
        due.swap(events);
    }
    for (const Event& event : due) {
        Deliver(event);
    }
    return due.size();
}

bool EventQueue::DeliverUntil(int32_t id, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        Event event{};
        {
            std::unique_lock lock(mutex);
            if (!posted.wait_until(lock, deadline, [this] { return !events.empty(); })) {
                return false;
            }
            event = events.front();
            events.pop_front();
        }
        Deliver(event);
        if (event.id == id) {
            return true;
        }
    }
}

void EventQueue::WaitAndDeliver(std::chrono::steady_clock::time_point deadline) {
    std::deque<Event> due;
    {
        std::unique_lock lock(mutex);
        posted.wait_until(lock, deadline, [this] { return woken || !events.empty(); });
        woken = false;
        due.swap(events);
    }
    for (const Event& event : due) {
        Deliver(event);
    }
}
