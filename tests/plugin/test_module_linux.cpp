// The Linux module's exported names and its registration in the folder that
// stands for HKEY_LOCAL_MACHINE.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "plugin_sdk/skyflume_contract.h"
#include "support/module_fixture.h"
#include "support/registry_folder.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

// The plug-in's key below the folder that stands for HKEY_LOCAL_MACHINE.
const fs::path kRegistryKey = skyflume::test::RegistryFolderOf(kSkyflumePluginKey);

class LinuxModuleTest : public ModuleTest {
protected:
    skyflume::test::TempRegistry registry;
    const fs::path& scratch = registry.folder.Path();
};

TEST_F(LinuxModuleTest, ExportsOnlyItsThreeEntryPoints) {
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

TEST_F(LinuxModuleTest, RegistrationRecordsTheModulesPathOnceAndUnregistrationRemovesIt) {
    const fs::path key = scratch / "registry" / kRegistryKey;
    EXPECT_EQ(registerServer(), 0);
    EXPECT_EQ(registerServer(), 0);

    std::vector<fs::path> values;
    for (const auto& entry : fs::directory_iterator(key)) {
        values.push_back(entry.path().filename());
    }
    ASSERT_EQ(values, std::vector<fs::path>{"Path"});
    EXPECT_EQ(skyflume::test::FileText(key / "Path"), fs::canonical(SKYFLUME_MODULE_PATH).string());

    EXPECT_EQ(unregisterServer(), 0);
    EXPECT_FALSE(fs::exists(key));
    EXPECT_EQ(unregisterServer(), 1);
}

TEST_F(LinuxModuleTest, RegistrationFailsWhenTheRegistryCannotBeWritten) {
    // Even root cannot create a folder below a regular file.
    std::ofstream(scratch / "blocker") << "not a folder";
    setenv("SONAPLEX_REGISTRY", (scratch / "blocker" / "registry").c_str(), 1);
    EXPECT_EQ(registerServer(), 1);
    EXPECT_EQ(unregisterServer(), 1);
}

// Registration answers 1 when the host could not find the module through
// what was stored; the key it made stays.
TEST_F(LinuxModuleTest, RegistrationFailsWhenThePathCannotBeStoredWhole) {
    const fs::path key = scratch / "registry" / kRegistryKey;
    // A folder where the value's file would go.
    fs::create_directories(key / "Path");
    EXPECT_EQ(registerServer(), 1);
    EXPECT_TRUE(fs::is_directory(key / "Path"));
    fs::remove(key / "Path");

    // A copy of the module whose full name takes more than the 519 units
    // that the name buffer holds.
    const HMODULE copy = LoadCopyIn(FolderForNameOf(scratch, 560));
    ASSERT_NE(copy, nullptr);
    const auto registerCopy = Find<RegistrationFunction>(copy, "DllRegisterServer");
    ASSERT_NE(registerCopy, nullptr);
    EXPECT_EQ(registerCopy(), 1);
    EXPECT_TRUE(fs::is_directory(key));
    EXPECT_FALSE(fs::exists(key / "Path"));
    FreeLibrary(copy);
}

}  // namespace
