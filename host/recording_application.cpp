#include "host/recording_application.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

template <class T>
void Remove(std::vector<T*>& list, T* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}  // namespace

struct RecordingApplication::ThreadStart {
    RecordingApplication* application;
    SXThread* body;
};

// The body's reference, taken by StartThread, is held while Run runs.
DWORD RecordingApplication::RunThreadBody(LPVOID parameter) {
    const std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(parameter));
    const int32_t result = start->body->Run();
    start->body->Release();
    // Notified under the lock: the application may go as soon as it is free.
    const std::lock_guard lock(start->application->threadsMutex);
    --start->application->runningThreads;
    start->application->threadEnded.notify_all();
    return static_cast<DWORD>(result);
}

RecordingApplication::~RecordingApplication() {
    {
        std::unique_lock lock(threadsMutex);
        threadEnded.wait(lock, [this] { return runningThreads == 0; });
    }
    for (const Event& event : events) {
        event.target->Release();
    }
}

bool RecordingApplication::WaitForThreads(std::chrono::milliseconds timeout) {
    std::unique_lock lock(threadsMutex);
    return threadEnded.wait_for(lock, timeout, [this] { return runningThreads == 0; });
}

void RecordingApplication::ClickMenuItem(size_t index) {
    menuItems.at(index).listener->OnMenuItemClicked(0);
}

size_t RecordingApplication::DeliverEvents() {
    size_t delivered = 0;
    for (;;) {
        Event event{};
        {
            const std::lock_guard lock(eventsMutex);
            if (events.empty()) {
                return delivered;
            }
            event = events.front();
            events.pop_front();
        }
        event.target->OnEvent(event.id, event.param, event.param2);
        event.target->Release();
        ++delivered;
    }
}

bool RecordingApplication::WaitForEvent(int32_t id, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        Event event{};
        {
            std::unique_lock lock(eventsMutex);
            if (!eventPosted.wait_until(lock, deadline, [this] { return !events.empty(); })) {
                return false;
            }
            event = events.front();
            events.pop_front();
        }
        event.target->OnEvent(event.id, event.param, event.param2);
        event.target->Release();
        if (event.id == id) {
            return true;
        }
    }
}

void RecordingApplication::ShowMessageBox(int32_t kind, RString* caption, RString* text, int32_t reserved) {
    messages.push_back({true, kind, TextOf(caption), TextOf(text), reserved});
}

void RecordingApplication::ShowMessage(RString* caption, RString* text) {
    messages.push_back({false, 0, TextOf(caption), TextOf(text), 0});
}

void RecordingApplication::AddMenuItem(RString* name, SXMenuItemListener* listener) {
    menuItems.push_back({TextOf(name), listener});
}

void RecordingApplication::RemoveMenuItem(SXMenuItemListener* listener) {
    menuItems.erase(std::remove_if(menuItems.begin(), menuItems.end(),
                                   [listener](const MenuItem& item) { return item.listener == listener; }),
                    menuItems.end());
}

int32_t RecordingApplication::GetService(const GUID* id, void** out) {
    *out = nullptr;
    if (guiService == nullptr || std::memcmp(id, &kGuiServiceId, sizeof(GUID)) != 0) {
        return 0;
    }
    guiService->AddRef();
    *out = guiService;
    return 1;
}

void RecordingApplication::RegisterAudioCallback(SXAudioCallback* callback) {
    audioCallbacks.push_back(callback);
}

void RecordingApplication::UnregisterAudioCallback(SXAudioCallback* callback) {
    Remove(audioCallbacks, callback);
}

void RecordingApplication::RegisterEventListener(SXEventListener* listener) {
    eventListeners.push_back(listener);
}

void RecordingApplication::UnregisterEventListener(SXEventListener* listener) {
    Remove(eventListeners, listener);
}

int32_t RecordingApplication::PostEvent(SXEventListener* target, int32_t id, int32_t param, intptr_t param2) {
    target->AddRef();
    {
        const std::lock_guard lock(eventsMutex);
        events.push_back({target, id, param, param2});
    }
    eventPosted.notify_all();
    return 1;
}

int32_t RecordingApplication::StartThread(int32_t, HANDLE* out, SXThread* body) {
    body->AddRef();
    {
        const std::lock_guard lock(threadsMutex);
        ++runningThreads;
    }
    auto start = std::make_unique<ThreadStart>(ThreadStart{this, body});
    *out = CreateThread(nullptr, 0, RunThreadBody, start.get(), 0, nullptr);
    if (*out == nullptr) {
        body->Release();
        const std::lock_guard lock(threadsMutex);
        --runningThreads;
        return 0;
    }
    start.release();
    return 0;
}
