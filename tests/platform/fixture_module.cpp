// A module that links the platform's module entry and reports what it saw.

#include "platform/module_attach.h"

// What the test finds with GetProcAddress.
#ifdef _WIN32
#define FIXTURE_EXPORT extern "C" __declspec(dllexport)
#else
#define FIXTURE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {
HINSTANCE attachedModule = nullptr;
int attachCount = 0;
int* detachCounter = nullptr;
}  // namespace

BOOL OnLoaderNotification(HINSTANCE module, DWORD reason) {
    if (reason == DLL_PROCESS_ATTACH) {
        attachedModule = module;
        ++attachCount;
    } else if (reason == DLL_PROCESS_DETACH && detachCounter != nullptr) {
        ++*detachCounter;
    }
    return TRUE;
}

FIXTURE_EXPORT HINSTANCE FixtureAttachedModule() {
    return attachedModule;
}
FIXTURE_EXPORT int FixtureAttachCount() {
    return attachCount;
}
FIXTURE_EXPORT void FixtureSetDetachCounter(int* counter) {
    detachCounter = counter;
}
