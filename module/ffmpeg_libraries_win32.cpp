#include "module/ffmpeg_libraries.h"

#include <atomic>
#include <string>

#include "module/ffmpeg_dlls.h"
#include "module/module_handle.h"

namespace {

// Each of FFmpeg's DLLs, from the module's own folder, where the package puts
// them, or else from the standard search (the program's folder, the system
// folders, PATH). The module imports them delay-loaded: the first call into
// one finds it loaded here, by its name. Loaded for the life of the process.
bool LoadEach() {
    std::wstring folder(32768, L'\0');
    const DWORD length = GetModuleFileNameW(ModuleHandle(), folder.data(), static_cast<DWORD>(folder.size()));
    if (length == 0 || length >= folder.size()) {
        return false;
    }
    folder.resize(length);
    folder.resize(folder.find_last_of(L"\\/") + 1);
    for (const wchar_t* dll : kFfmpegDlls) {
        // One loaded already (by the host, or by an earlier copy of the
        // module) is only counted once more. With the altered search path a
        // DLL's own imports, FFmpeg's other DLLs, are looked for beside it.
        HMODULE held = nullptr;
        if (!GetModuleHandleExW(0, dll, &held) &&
            !LoadLibraryExW((folder + dll).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH) && !LoadLibraryW(dll)) {
            return false;
        }
    }
    return true;
}

// Not a function-local static: its guard would make the threads library
// open handles that each unloaded copy of the module left behind.
std::atomic<bool> loaded{false};

}  // namespace

bool LoadFfmpegLibraries() {
    if (!loaded.load(std::memory_order_acquire) && LoadEach()) {
        loaded.store(true, std::memory_order_release);
    }
    return loaded.load(std::memory_order_acquire);
}
