#include "host/sonaplex_host/module_loader.h"

#include <cstdlib>
#include <vector>

#include "host/text_conversion.h"
#include "platform/windows_api.h"

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
