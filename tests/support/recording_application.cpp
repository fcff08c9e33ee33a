#include "support/recording_application.h"

#include <algorithm>

namespace {

template <class T>
void Remove(std::vector<T*>& list, T* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}  // namespace

bool RecordingApplication::WaitForThreads(std::chrono::milliseconds timeout) {
    return threads.WaitAll(timeout);
}

void RecordingApplication::ClickMenuItem(size_t index) {
    menuItems.at(index).listener->OnMenuItemClicked(0);
}

void RecordingApplication::SendHostEvent(int32_t id) {
    for (SXEventListener* listener : std::vector<SXEventListener*>(eventListeners)) {
        listener->OnEvent(id, 0, 0);
    }
}

size_t RecordingApplication::DeliverEvents() {
    return events.DeliverAll();
}

bool RecordingApplication::WaitForEvent(int32_t id, std::chrono::milliseconds timeout) {
    return events.DeliverUntil(id, std::chrono::steady_clock::now() + timeout);
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

void RecordingApplication::RegisterEventListener(SXEventListener* listener) {
    eventListeners.push_back(listener);
}

void RecordingApplication::UnregisterEventListener(SXEventListener* listener) {
    Remove(eventListeners, listener);
}

int32_t RecordingApplication::PostEvent(SXEventListener* target, int32_t id, int32_t param, intptr_t param2) {
    events.Post(target, id, param, param2);
    return 1;
}

int32_t RecordingApplication::StartThread(int32_t, HANDLE* out, SXThread* body) {
    if (!threadsAvailable) {
        *out = nullptr;
        return 0;
    }
    if (holdBodies) {
        threads.Start(out, body);
    } else {
        *out = CreateThread(
            nullptr, 0,
            [](LPVOID thread) -> DWORD { return static_cast<DWORD>(static_cast<SXThread*>(thread)->Run()); }, body, 0,
            nullptr);
    }
    threadsStarted += *out != nullptr ? 1 : 0;
    return 0;
}
