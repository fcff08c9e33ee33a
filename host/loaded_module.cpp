#include "host/loaded_module.h"

#include <system_error>

#include "host/text_conversion.h"
#include "platform/windows_api.h"

namespace {

HMODULE AsModule(void* handle) {
    return static_cast<HMODULE>(handle);
}

}  // namespace

LoadedModule::Result LoadedModule::Load(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return {nullptr, "cannot load the module " + path.string() + ": no such file"};
    }
    if (std::filesystem::is_directory(path, error)) {
        return {nullptr, "cannot load the module " + path.string() + ": it is a folder"};
    }
    HMODULE handle = LoadLibraryW(Utf8ToUtf16(path.string()).c_str());
    if (handle == nullptr) {
        return {nullptr, "cannot load the module " + path.string() +
                             ": it is not a loadable module for this system, or a library it needs is missing"};
    }
    return {std::unique_ptr<LoadedModule>(new LoadedModule(path, handle)), {}};
}

LoadedModule::~LoadedModule() {
    FreeLibrary(AsModule(handle));
}

// Through void (*)(), which every compiler accepts in a cast to the real type.
template <class Function>
Function LoadedModule::Export(const char* name, std::string& error) const {
    const auto address = reinterpret_cast<void (*)()>(GetProcAddress(AsModule(handle), name));
    if (address == nullptr) {
        error = path.string() + " does not export " + name + "; it is not a Sonaplex plug-in module";
    }
    return reinterpret_cast<Function>(address);
}

LoadedModule::GetPluginFunction LoadedModule::GetPlugin(std::string& error) const {
    return Export<GetPluginFunction>("GetPlugin", error);
}

LoadedModule::RegistrationFunction LoadedModule::RegisterServer(std::string& error) const {
    return Export<RegistrationFunction>("DllRegisterServer", error);
}

LoadedModule::RegistrationFunction LoadedModule::UnregisterServer(std::string& error) const {
    return Export<RegistrationFunction>("DllUnregisterServer", error);
}
