#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "host/loaded_module.h"

// The plug-in's registry key under HKEY_LOCAL_MACHINE, as the host looks it up.
inline constexpr const char* kPluginRegistryKey =
    "SOFTWARE\\Quillmark\\Sonaplex\\Plugins\\{E85D1DFD-8B26-4399-A2E8-20FE315600C1}";

// The module file named by the plug-in's registry key ("Path"); none with
// `error` set when the key or value is missing.
std::optional<std::filesystem::path> RegisteredModulePath(std::string& error);

// Where HKEY_LOCAL_MACHINE lives on this machine, for messages.
std::string RegistryFolder();
