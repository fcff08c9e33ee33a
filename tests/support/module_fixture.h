#pragma once

// The built module as a host meets it: loaded at run time, reached only
// through its exports.

#include <gtest/gtest.h>

#include <filesystem>

#include "host/text_conversion.h"
#include "plugin_sdk/r_plugin.h"

class ModuleTest : public ::testing::Test {
protected:
    using GetPluginFunction = RPlugin* (*)(RPlugin**);
    using RegistrationFunction = int32_t (*)();

    // Loaded once and kept, as a host keeps its plug-in modules: unloading
    // would take the codec libraries along, whose start-up allocations the
    // leak checker would then report.
    static void SetUpTestSuite() {
        if (module == nullptr) module = LoadLibraryW(Utf8ToUtf16(SKYFLUME_MODULE_PATH).c_str());
    }

    void SetUp() override {
        ASSERT_NE(module, nullptr);
        getPlugin = Find<GetPluginFunction>(module, "GetPlugin");
        registerServer = Find<RegistrationFunction>(module, "DllRegisterServer");
        unregisterServer = Find<RegistrationFunction>(module, "DllUnregisterServer");
        ASSERT_NE(getPlugin, nullptr);
        ASSERT_NE(registerServer, nullptr);
        ASSERT_NE(unregisterServer, nullptr);
    }

    // Through void (*)(), which every compiler accepts in a cast to the real type.
    template <class Function>
    static Function Find(HMODULE from, const char* name) {
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(from, name)));
    }

    // A copy of the module in the folder, made with the folders above it,
    // and loaded; none when it could not be loaded.
    static HMODULE LoadCopyIn(const std::filesystem::path& folder) {
        std::filesystem::create_directories(folder);
        const std::filesystem::path copy = folder / "Skyflume.sxp64";
        std::filesystem::copy_file(SKYFLUME_MODULE_PATH, copy, std::filesystem::copy_options::overwrite_existing);
        return LoadLibraryW(Utf8ToUtf16(copy.string()).c_str());
    }
    // A folder below `base` whose copy of the module has a full name of at
    // least `units` characters.
    static std::filesystem::path FolderForNameOf(const std::filesystem::path& base, size_t units) {
        std::filesystem::path folder = base;
        while ((folder / "Skyflume.sxp64").string().size() < units) {
            folder /= std::string(60, 'n');
        }
        return folder;
    }

    static inline HMODULE module = nullptr;
    GetPluginFunction getPlugin = nullptr;
    RegistrationFunction registerServer = nullptr;
    RegistrationFunction unregisterServer = nullptr;
};
