#include "host/sonaplex_host/host_application.h"

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

void HostApplication::RegisterEventListener(SXEventListener* listener) {
    eventListeners.push_back(listener);
}

void HostApplication::UnregisterEventListener(SXEventListener* listener) {
    std::erase(eventListeners, listener);
}

void HostApplication::SendHostEvent(int32_t id) {
    // A copy: a listener may unregister itself while it handles the event.
    const std::vector<SXEventListener*> listeners = eventListeners;
    for (SXEventListener* listener : listeners) {
        listener->OnEvent(id, 0, 0);
    }
}

int32_t HostApplication::PostEvent(SXEventListener* target, int32_t id, int32_t param, intptr_t param2) {
    events.Post(target, id, param, param2);
    return 1;
}

int32_t HostApplication::StartThread(int32_t, HANDLE* out, SXThread* body) {
    threads.Start(out, body);
    return 0;
}
