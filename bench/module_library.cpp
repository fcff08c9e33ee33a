#include "module_library.h"

#include <dlfcn.h>

ModuleLibrary::ModuleLibrary(const std::string& path) {
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        error = dlerror();
        return;
    }
    getPlugin = reinterpret_cast<GetPluginFunction>(dlsym(handle, "GetPlugin"));
    if (getPlugin == nullptr) {
        error = path + " does not export GetPlugin";
    }
}

ModuleLibrary::~ModuleLibrary() {
    if (handle != nullptr) {
        dlclose(handle);
    }
}
