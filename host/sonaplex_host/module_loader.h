#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "host/loaded_module.h"
#include "plugin_sdk/skyflume_contract.h"

// The module file named by the plug-in's registry key ("Path"); none with
// `error` set when the key or value is missing.
std::optional<std::filesystem::path> RegisteredModulePath(std::string& error);

// Where HKEY_LOCAL_MACHINE lives on this machine, for messages.
std::string RegistryFolder();
