// The built module as a host meets it: loaded at run time, reached only
// through its exports.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "host/text_conversion.h"
#include "plugin_sdk/r_plugin.h"

namespace {

namespace fs = std::filesystem;

using GetPluginFunction = RPlugin* (*)(RPlugin**);
using RegistrationFunction = int32_t (*)();

const fs::path kRegistryKey = "SOFTWARE/Quillmark/Sonaplex/Plugins/{E85D1DFD-8B26-4399-A2E8-20FE315600C1}";

class ModuleTest : public ::testing::Test {
protected:
    // Loaded once and kept, as a host keeps its plug-in modules: unloading
    // would take the codec libraries along, whose start-up allocations the
    // leak checker would then report.
    static void SetUpTestSuite() { module = LoadLibraryW(Utf8ToUtf16(SKYFLUME_MODULE_PATH).c_str()); }

    void SetUp() override {
        ASSERT_NE(module, nullptr);
        getPlugin = reinterpret_cast<GetPluginFunction>(GetProcAddress(module, "GetPlugin"));
        registerServer = reinterpret_cast<RegistrationFunction>(GetProcAddress(module, "DllRegisterServer"));
        unregisterServer = reinterpret_cast<RegistrationFunction>(GetProcAddress(module, "DllUnregisterServer"));
        ASSERT_NE(getPlugin, nullptr);
        ASSERT_NE(registerServer, nullptr);
        ASSERT_NE(unregisterServer, nullptr);

        char pattern[] = "/tmp/skyflume-registry-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        scratch = pattern;
        setenv("SONAPLEX_REGISTRY", (scratch / "registry").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("SONAPLEX_REGISTRY");
        fs::remove_all(scratch);
    }

    static inline HMODULE module = nullptr;
    GetPluginFunction getPlugin = nullptr;
    RegistrationFunction registerServer = nullptr;
    RegistrationFunction unregisterServer = nullptr;
    fs::path scratch;
};

TEST_F(ModuleTest, ExportsOnlyItsThreeEntryPoints) {
    const std::string command = std::string("nm -D --defined-only ") + SKYFLUME_MODULE_PATH;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::istringstream fields(line);
        std::string address, type, name;
        fields >> address >> type >> name;
        names.insert(name);
    }
    ASSERT_EQ(pclose(pipe), 0);
    EXPECT_EQ(names, (std::set<std::string>{"DllRegisterServer", "DllUnregisterServer", "GetPlugin"}));
}

TEST_F(ModuleTest, EachGetPluginCreatesAnIndependentObjectWithOneReference) {
    RPlugin* first = nullptr;
    RPlugin* second = nullptr;
    EXPECT_EQ(getPlugin(&first), first);
    EXPECT_EQ(getPlugin(&second), second);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);

    EXPECT_EQ(first->AddRef(), 2);
    EXPECT_EQ(second->AddRef(), 2);
    EXPECT_EQ(first->Release(), 1);
    EXPECT_EQ(first->Release(), 0);

    void* block = nullptr;
    ASSERT_EQ(second->GetState(&block), 1204);
    const auto* bytes = static_cast<const uint8_t*>(block);
    for (int i = 0; i < 1204; ++i) {
        EXPECT_EQ(bytes[i], i == 8 ? 1 : 0) << "byte " << i;
    }
    EXPECT_EQ(second->Release(), 1);
    EXPECT_EQ(second->Release(), 0);
}

TEST_F(ModuleTest, RegistrationRecordsTheModulesPathOnceAndUnregistrationRemovesIt) {
    const fs::path key = scratch / "registry" / kRegistryKey;
    EXPECT_EQ(registerServer(), 0);
    EXPECT_EQ(registerServer(), 0);

    std::vector<fs::path> values;
    for (const auto& entry : fs::directory_iterator(key)) {
        values.push_back(entry.path().filename());
    }
    ASSERT_EQ(values, std::vector<fs::path>{"Path"});
    std::ifstream value(key / "Path");
    const std::string path((std::istreambuf_iterator<char>(value)), std::istreambuf_iterator<char>());
    EXPECT_EQ(path, fs::canonical(SKYFLUME_MODULE_PATH).string());

    EXPECT_EQ(unregisterServer(), 0);
    EXPECT_FALSE(fs::exists(key));
    EXPECT_EQ(unregisterServer(), 1);
}

TEST_F(ModuleTest, RegistrationFailsWhenTheRegistryCannotBeWritten) {
    // Even root cannot create a folder below a regular file.
    std::ofstream(scratch / "blocker") << "not a folder";
    setenv("SONAPLEX_REGISTRY", (scratch / "blocker" / "registry").c_str(), 1);
    EXPECT_EQ(registerServer(), 1);
    EXPECT_EQ(unregisterServer(), 1);
}

}  // namespace
