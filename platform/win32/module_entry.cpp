// The module's entry on Windows: DllMain forwards every notification.

#include "platform/module_attach.h"

#if defined(__GLIBCXX__)
// libstdc++'s own release of what it keeps for good, made for memory checkers.
namespace __gnu_cxx {
void __freeres();
}
#endif

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, [[maybe_unused]] LPVOID reserved) {
    const BOOL answer = OnLoaderNotification(module, reason);
#if defined(__GLIBCXX__)
    // Linked in statically, libstdc++ sets aside about 70 KiB at each load,
    // for exceptions thrown when memory runs out, and never gives it back: a
    // host that loads and frees the module again and again would lose that
    // much every time. Freed when FreeLibrary unloads the module; at process
    // exit (reserved set) everything goes anyway.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        __gnu_cxx::__freeres();
    }
#endif
    return answer;
}
