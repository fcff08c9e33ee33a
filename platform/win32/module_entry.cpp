// The module's entry on Windows: DllMain forwards every notification.

#include "platform/module_attach.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    return OnLoaderNotification(module, reason);
}
