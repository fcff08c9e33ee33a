#include "host/application_base.h"

#include <cstring>
#include <string>

#include "host/text_conversion.h"

ApplicationBase::ApplicationBase(TGuiService* guiService, int32_t sampleRate)
    : guiService(guiService), sampleRate(sampleRate), ownEvents(std::make_unique<EventQueue>()), events(*ownEvents) {}

ApplicationBase::ApplicationBase(TGuiService* guiService, int32_t sampleRate, EventQueue& sharedEvents)
    : guiService(guiService), sampleRate(sampleRate), events(sharedEvents) {}

void ApplicationBase::ClickMenuItem(size_t index) {
    menuItems.at(index).listener->OnMenuItemClicked(0);
}

void ApplicationBase::SendHostEvent(int32_t id) {
    // A copy: a listener may unregister itself while it handles the event.
    const std::vector<SXEventListener*> listeners = eventListeners;
    for (SXEventListener* listener : listeners) {
        listener->OnEvent(id, 0, 0);
    }
}

size_t ApplicationBase::DeliverEvents() {
    return events.DeliverAll();
}

bool ApplicationBase::WaitForEvent(int32_t id, std::chrono::milliseconds timeout) {
    return events.DeliverUntil(id, std::chrono::steady_clock::now() + timeout);
}

void ApplicationBase::WaitForThreads() {
    threads.WaitAll();
}

bool ApplicationBase::WaitForThreads(std::chrono::milliseconds timeout) {
    return threads.WaitAll(timeout);
}

void ApplicationBase::DeliverAudio(const float* interleaved, int32_t frameCount) {
    const std::lock_guard lock(audioMutex);
    for (SXAudioCallback* callback : audioCallbacks) {
        callback->OnAudio(nullptr, interleaved, frameCount);
    }
}

std::vector<SXAudioCallback*> ApplicationBase::AudioCallbacks() const {
    const std::lock_guard lock(audioMutex);
    return audioCallbacks;
}

void ApplicationBase::ShowMessageBox(int32_t kind, RString* caption, RString* text, int32_t reserved) {
    messages.push_back({true, kind, TextOf(caption), TextOf(text), reserved});
}

void ApplicationBase::ShowMessage(RString* caption, RString* text) {
    messages.push_back({false, 0, TextOf(caption), TextOf(text), 0});
}

void ApplicationBase::AddMenuItem(RString* name, SXMenuItemListener* listener) {
    menuItems.push_back({TextOf(name), listener});
}

void ApplicationBase::RemoveMenuItem(SXMenuItemListener* listener) {
    std::erase_if(menuItems, [listener](const MenuItem& item) { return item.listener == listener; });
}

int32_t ApplicationBase::GetService(const GUID* id, void** out) {
    *out = nullptr;
    if (guiService == nullptr || std::memcmp(id, &kGuiServiceId, sizeof(GUID)) != 0) {
        return 0;
    }
    guiService->AddRef();
    *out = guiService;
    return 1;
}

void ApplicationBase::RegisterAudioCallback(SXAudioCallback* callback) {
    const std::lock_guard lock(audioMutex);
    audioCallbacks.push_back(callback);
}

void ApplicationBase::UnregisterAudioCallback(SXAudioCallback* callback) {
    const std::lock_guard lock(audioMutex);
    std::erase(audioCallbacks, callback);
}

void ApplicationBase::RegisterEventListener(SXEventListener* listener) {
    eventListeners.push_back(listener);
}

void ApplicationBase::UnregisterEventListener(SXEventListener* listener) {
    std::erase(eventListeners, listener);
}

int32_t ApplicationBase::PostEvent(SXEventListener* target, int32_t id, int32_t param, intptr_t param2) {
    events.Post(target, id, param, param2);
    return 1;
}

void ApplicationBase::FreeUtf8(char* text) {
    delete[] text;
}

void ApplicationBase::WideToUtf8(const WChar* text, char** out) {
    const std::string utf8 = Utf16ToUtf8(text);
    *out = new char[utf8.size() + 1];
    std::memcpy(*out, utf8.c_str(), utf8.size() + 1);
}

int32_t ApplicationBase::StartThread(int32_t, HANDLE* out, SXThread* body) {
    threads.Start(out, body);
    return 0;
}
