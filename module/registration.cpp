#include "module/registration.h"

#include "module/module_handle.h"
#include "platform/windows_api.h"
#include "plugin_sdk/skyflume_contract.h"

namespace {

constexpr auto kPluginKey = SkyflumePluginKeyIn<WCHAR>();
constexpr WCHAR kPathValue[] = WTEXT("Path");
constexpr DWORD kFileNameCapacity = 520;

}  // namespace

int32_t RegisterModule() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPluginKey.data(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return 1;
    }
    WCHAR fileName[kFileNameCapacity] = {};
    // A name that fills the buffer was cut short: the host would look for
    // the module in the wrong place, so no path is better than that one.
    const DWORD length = GetModuleFileNameW(ModuleHandle(), fileName, kFileNameCapacity);
    bool registered = length != 0 && length < kFileNameCapacity;
    if (registered) {
        const DWORD size = static_cast<DWORD>((lstrlenW(fileName) + 1) * sizeof(WCHAR));
        registered =
            RegSetValueExW(key, kPathValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(fileName), size) == ERROR_SUCCESS;
    }
    // A key made here stays, as it is.
    RegCloseKey(key);
    return registered ? 0 : 1;
}

int32_t UnregisterModule() {
    return RegDeleteKeyW(HKEY_LOCAL_MACHINE, kPluginKey.data()) == ERROR_SUCCESS ? 0 : 1;
}
