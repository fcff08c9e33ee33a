// The module's entry on Linux: the loader runs the constructor when the module
// is loaded and the destructor when it is unloaded. Unlike DllMain, an answer
// of FALSE cannot make the load fail, and threads are not reported.

#include <dlfcn.h>

#include "platform/module_attach.h"

namespace {

// The module's handle: its load address (an address inside the module, as
// HINSTANCE is on Linux), found through a function of this file.
HINSTANCE OwnModule() {
    static const auto anchor = &OwnModule;
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(anchor), &info) != 0 && info.dli_fbase != nullptr) return info.dli_fbase;
    return reinterpret_cast<void*>(anchor);
}

__attribute__((constructor)) void OnModuleLoaded() {
    OnLoaderNotification(OwnModule(), DLL_PROCESS_ATTACH);
}

__attribute__((destructor)) void OnModuleUnloaded() {
    OnLoaderNotification(OwnModule(), DLL_PROCESS_DETACH);
}

}  // namespace
