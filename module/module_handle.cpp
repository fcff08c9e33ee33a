#include "module/module_handle.h"

#include "platform/module_attach.h"

namespace {
HINSTANCE moduleHandle = nullptr;
}  // namespace

HINSTANCE ModuleHandle() {
    return moduleHandle;
}

// Never refuses the load.
BOOL OnLoaderNotification(HINSTANCE module, DWORD reason) {
    if (reason == DLL_PROCESS_ATTACH) {
        moduleHandle = module;
    }
    return TRUE;
}
