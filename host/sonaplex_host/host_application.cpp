#include "host/sonaplex_host/host_application.h"

#include <cstring>
#include <memory>

struct HostApplication::ThreadStart {
    HostApplication* application;
    SXThread* body;
};

// The body's reference, taken by StartThread, is held while Run runs.
DWORD HostApplication::RunThread(LPVOID parameter) {
    const std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(parameter));
    start->body->Run();
    start->body->Release();
    // Notified under the lock: once it is released the application may be gone.
    const std::lock_guard lock(start->application->threadsMutex);
    --start->application->runningThreads;
    start->application->threadEnded.notify_all();
    return 0;
}

HostApplication::~HostApplication() {
    for (const Event& event : events) {
        event.target->Release();
    }
}

void HostApplication::RunEvents(std::chrono::steady_clock::time_point deadline) {
    std::deque<Event> due;
    {
        std::unique_lock lock(eventsMutex);
        eventPosted.wait_until(lock, deadline, [this] { return woken || !events.empty(); });
        woken = false;
        due.swap(events);
    }
    for (const Event& event : due) {
        event.target->OnEvent(event.id, event.param, event.param2);
        event.target->Release();
    }
}

void HostApplication::Wake() {
    {
        const std::lock_guard lock(eventsMutex);
        woken = true;
    }
    eventPosted.notify_all();
}

void HostApplication::DeliverAudio(const float* interleaved, int32_t frameCount) {
    const std::lock_guard lock(audioMutex);
    for (SXAudioCallback* callback : audioCallbacks) {
        callback->OnAudio(nullptr, interleaved, frameCount);
    }
}

void HostApplication::ShowMessageBox(int32_t, RString* caption, RString* text, int32_t) {
    messages.push_back({true, TextOf(caption), TextOf(text)});
}

void HostApplication::ShowMessage(RString* caption, RString* text) {
    messages.push_back({false, TextOf(caption), TextOf(text)});
}

void HostApplication::AddMenuItem(RString* name, SXMenuItemListener* listener) {
    menuItems.push_back({TextOf(name), listener});
}

void HostApplication::RemoveMenuItem(SXMenuItemListener* listener) {
    std::erase_if(menuItems, [listener](const MenuItem& item) { return item.listener == listener; });
}

int32_t HostApplication::GetService(const GUID* id, void** out) {
    *out = nullptr;
    if (std::memcmp(id, &kGuiServiceId, sizeof(GUID)) != 0) {
        return 0;
    }
    guiService->AddRef();
    *out = guiService;
    return 1;
}

void HostApplication::RegisterAudioCallback(SXAudioCallback* callback) {
    const std::lock_guard lock(audioMutex);
    audioCallbacks.push_back(callback);
}

void HostApplication::UnregisterAudioCallback(SXAudioCallback* callback) {
    const std::lock_guard lock(audioMutex);
    std::erase(audioCallbacks, callback);
}

int32_t HostApplication::PostEvent(SXEventListener* target, int32_t id, int32_t param, intptr_t param2) {
    target->AddRef();
    {
        const std::lock_guard lock(eventsMutex);
        events.push_back({target, id, param, param2});
    }
    eventPosted.notify_all();
    return 1;
}

int32_t HostApplication::StartThread(int32_t, HANDLE* out, SXThread* body) {
    body->AddRef();
    {
        const std::lock_guard lock(threadsMutex);
        ++runningThreads;
    }
    auto start = std::make_unique<ThreadStart>(ThreadStart{this, body});
    *out = CreateThread(nullptr, 0, RunThread, start.get(), 0, nullptr);
    if (*out == nullptr) {
        body->Release();
        const std::lock_guard lock(threadsMutex);
        --runningThreads;
    } else {
        start.release();
    }
    return 0;
}

void HostApplication::WaitForThreads() {
    std::unique_lock lock(threadsMutex);
    threadEnded.wait(lock, [this] { return runningThreads == 0; });
}
