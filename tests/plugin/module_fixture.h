#pragma once

// The built module as a host meets it: loaded at run time, reached only
// through its exports.

#include <gtest/gtest.h>

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
        getPlugin = Find<GetPluginFunction>("GetPlugin");
        registerServer = Find<RegistrationFunction>("DllRegisterServer");
        unregisterServer = Find<RegistrationFunction>("DllUnregisterServer");
        ASSERT_NE(getPlugin, nullptr);
        ASSERT_NE(registerServer, nullptr);
        ASSERT_NE(unregisterServer, nullptr);
    }

    // Through void (*)(), which every compiler accepts in a cast to the real type.
    template <class Function>
    static Function Find(const char* name) {
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    }

    static inline HMODULE module = nullptr;
    GetPluginFunction getPlugin = nullptr;
    RegistrationFunction registerServer = nullptr;
    RegistrationFunction unregisterServer = nullptr;
};

