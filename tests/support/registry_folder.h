#pragma once

// Where the Linux platform layer keeps a registry key: each '\' of the key a
// folder below the folder that stands for HKEY_LOCAL_MACHINE.

#include <algorithm>
#include <filesystem>
#include <string>

namespace skyflume::test {

inline std::filesystem::path RegistryFolderOf(std::string key) {
    std::ranges::replace(key, '\\', '/');
    return key;
}

}  // namespace skyflume::test
