#include "host/sonaplex_host/module_loader.h"

#include <cstdlib>
#include <system_error>
#include <vector>

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

void* LoadedModule::Export(const char* name, std::string& error) const {
    const FARPROC address = GetProcAddress(AsModule(handle), name);
    if (address == nullptr) {
        error = path.string() + " does not export " + name + "; it is not a Sonaplex plug-in module";
    }
    return reinterpret_cast<void*>(address);
}

LoadedModule::GetPluginFunction LoadedModule::GetPlugin(std::string& error) const {
    return reinterpret_cast<GetPluginFunction>(Export("GetPlugin", error));
}

LoadedModule::RegistrationFunction LoadedModule::RegisterServer(std::string& error) const {
    return reinterpret_cast<RegistrationFunction>(Export("DllRegisterServer", error));
}

LoadedModule::RegistrationFunction LoadedModule::UnregisterServer(std::string& error) const {
    return reinterpret_cast<RegistrationFunction>(Export("DllUnregisterServer", error));
}

std::optional<std::filesystem::path> RegisteredModulePath(std::string& error) {
    const auto key = Utf8ToUtf16(kSkyflumePluginKey);
    const auto value = Utf8ToUtf16("Path");
    DWORD size = 0;
    LONG result = RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &size);
    std::vector<WCHAR> text(size / sizeof(WCHAR) + 1);
    if (result == ERROR_SUCCESS) {
        size = static_cast<DWORD>(text.size() * sizeof(WCHAR));
        result =
            RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, text.data(), &size);
    }
    if (result != ERROR_SUCCESS || text[0] == 0) {
        error = std::string("the module is not registered: no value \"Path\" under HKEY_LOCAL_MACHINE\\") +
                kSkyflumePluginKey + " (registry folder " + RegistryFolder() +
                "); give --module PATH, or register it with --register --module PATH";
        return std::nullopt;
    }
    return std::filesystem::path(Utf16ToUtf8(text.data()));
}

std::string RegistryFolder() {
    const char* folder = std::getenv("SONAPLEX_REGISTRY");
    return folder != nullptr && *folder != '\0' ? folder : "/etc/sonaplex/registry";
}
