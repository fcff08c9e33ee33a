#pragma once

// Environment variables set for one scope, as the programs and the platform
// layer under test read them.

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "support/temp_folder.h"

namespace skyflume::test {

// Sets, or with none clears, an environment variable until it goes, then
// restores what was there.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name(name) {
        if (const char* old = std::getenv(name)) {
            previous = old;
        }
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (previous) {
            ::setenv(name, previous->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name;
    std::optional<std::string> previous;
};

// A registry of the test's own: the Linux platform layer's
// HKEY_LOCAL_MACHINE is `root`, a folder not made yet below a fresh one.
struct TempRegistry {
    TempFolder folder;
    const std::filesystem::path root = folder / "registry";
    ScopedEnv variable{"SONAPLEX_REGISTRY", root.c_str()};
};

}  // namespace skyflume::test
