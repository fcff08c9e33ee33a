#include "module/registration.h"

#include "module/module_handle.h"
#include "platform/windows_api.h"

namespace {

// Its last component is the plug-in id, in registry form.
constexpr WCHAR kPluginKey[] = WTEXT("SOFTWARE\\Quillmark\\Sonaplex\\Plugins\\{E85D1DFD-8B26-4399-A2E8-20FE315600C1}");
constexpr WCHAR kPathValue[] = WTEXT("Path");
constexpr DWORD kFileNameCapacity = 520;

}  // namespace

int32_t RegisterModule() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPluginKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return 1;
    }
    WCHAR fileName[kFileNameCapacity] = {};
    GetModuleFileNameW(ModuleHandle(), fileName, kFileNameCapacity);
    const DWORD size = static_cast<DWORD>((lstrlenW(fileName) + 1) * sizeof(WCHAR));
    // Once the key exists the registration counts as done; the value's
    // outcome is not examined.
    RegSetValueExW(key, kPathValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(fileName), size);
    RegCloseKey(key);
    return 0;
}

int32_t UnregisterModule() {
    return RegDeleteKeyW(HKEY_LOCAL_MACHINE, kPluginKey) == ERROR_SUCCESS ? 0 : 1;
}
