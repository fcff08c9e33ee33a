// Modules: dlopen handles and addresses inside a loaded module.
//
// An HMODULE is either a handle answered by LoadLibraryW (a dlopen handle) or
// any address inside a loaded module (what the module entry hands over). The
// handles answered here are remembered, so that the two can be told apart.

#include <dlfcn.h>
#include <link.h>

#include <climits>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "platform/windows_api.h"
#include "utf.h"

namespace platform {
namespace {

std::mutex handlesMutex;
std::map<void*, int> loadedHandles;  // dlopen handle -> LoadLibraryW count

bool IsLoadedHandle(void* module) {
    std::lock_guard lock(handlesMutex);
    return loadedHandles.count(module) != 0;
}

// The file that the module was loaded from, as the loader knows it; empty
// when the module is unknown.
std::string LoaderFileName(HMODULE module) {
    if (module == nullptr) return "/proc/self/exe";
    link_map* map = nullptr;
    if (IsLoadedHandle(module)) {
        if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0) return {};
    } else {
        Dl_info info{};
        if (dladdr1(module, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0) return {};
    }
    if (map == nullptr) return {};
    // The executable's link map has an empty name.
    return map->l_name && map->l_name[0] ? map->l_name : "/proc/self/exe";
}

std::string ResolvedPath(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? resolved : std::string();
}

}  // namespace
}  // namespace platform

// Truncation as on Windows: size - 1 units and a terminator, answering size.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
    const std::string loaderName = platform::LoaderFileName(module);
    if (loaderName.empty() || buffer == nullptr || size == 0) return 0;
    const std::string path = platform::ResolvedPath(loaderName);
    if (path.empty()) return 0;
    const std::u16string name = platform::ToUtf16(path);
    if (name.size() >= size) {
        name.copy(buffer, size - 1);
        buffer[size - 1] = 0;
        return size;
    }
    name.copy(buffer, name.size());
    buffer[name.size()] = 0;
    return static_cast<DWORD>(name.size());
}

HMODULE LoadLibraryW(LPCWSTR fileName) {
    if (fileName == nullptr) return nullptr;
    void* handle = dlopen(platform::ToUtf8(fileName).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle != nullptr) {
        std::lock_guard lock(platform::handlesMutex);
        ++platform::loadedHandles[handle];
    }
    return handle;
}

// Accepts a handle from LoadLibraryW or an address inside a loaded module.
FARPROC GetProcAddress(HMODULE module, const char* name) {
    if (module == nullptr || name == nullptr) return nullptr;
    void* symbol = nullptr;
    if (platform::IsLoadedHandle(module)) {
        symbol = dlsym(module, name);
    } else {
        const std::string file = platform::LoaderFileName(module);
        if (file.empty()) return nullptr;
        void* handle = dlopen(file == "/proc/self/exe" ? nullptr : file.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (handle == nullptr) return nullptr;
        symbol = dlsym(handle, name);
        dlclose(handle);
    }
    return reinterpret_cast<FARPROC>(symbol);
}

// Only handles answered by LoadLibraryW can be freed.
BOOL FreeLibrary(HMODULE module) {
    {
        std::lock_guard lock(platform::handlesMutex);
        const auto found = platform::loadedHandles.find(module);
        if (found == platform::loadedHandles.end()) return FALSE;
        if (--found->second == 0) platform::loadedHandles.erase(found);
    }
    return dlclose(module) == 0 ? TRUE : FALSE;
}
