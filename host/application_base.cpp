#include "host/application_base.h"

#include <cstring>
#include <string>

#include "host/text_conversion.h"

int32_t ApplicationBase::QueryInterface(const GUID*, void**) {
    return kENoInterface;
}

int32_t ApplicationBase::AddRef() {
    return 1;
}

int32_t ApplicationBase::Release() {
    return 1;
}

int32_t ApplicationBase::IsStarted() {
    return 1;
}

int32_t ApplicationBase::IsWindowSuppressed() {
    return 0;
}

void ApplicationBase::ShowMessageBox(int32_t, RString*, RString*, int32_t) {}

void ApplicationBase::ShowMessage(RString*, RString*) {}

void ApplicationBase::AddMenuItem(RString*, SXMenuItemListener*) {}

void ApplicationBase::RemoveMenuItem(SXMenuItemListener*) {}

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

void ApplicationBase::RegisterEventListener(SXEventListener*) {}

void ApplicationBase::UnregisterEventListener(SXEventListener*) {}

int32_t ApplicationBase::PostEvent(SXEventListener*, int32_t, int32_t, intptr_t) {
    return 0;
}

int32_t ApplicationBase::GetSampleRate() {
    return 44100;
}

int32_t ApplicationBase::IsStreamFormatProcessing() {
    return 1;
}

int32_t ApplicationBase::IsProcessAudioEnabled() {
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

int32_t ApplicationBase::StartThread(int32_t, HANDLE* out, SXThread*) {
    *out = nullptr;
    return 1;
}
