// --register and --unregister write and remove the plug-in's registry entry,
// and a host without --module finds the module through it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "host_run.h"
#include "plugin_sdk/skyflume_contract.h"
#include "support/registry_folder.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

namespace skyflume::test {
namespace {

class RegistrationTest : public ::testing::Test {
protected:
    TempRegistry registry;
    const TempFolder& folder = registry.folder;
    const std::filesystem::path pathValue = registry.root / RegistryFolderOf(kSkyflumePluginKey) / "Path";
};

TEST_F(RegistrationTest, TheRegisteredModuleIsFoundUntilItIsUnregistered) {
    const HostOutcome registered = RunHost(folder.Path(), {"--register", "--module", SKYFLUME_MODULE_PATH}, false);
    ASSERT_EQ(registered.exitStatus, 0) << registered.output;
    EXPECT_EQ(FileText(pathValue), std::filesystem::canonical(SKYFLUME_MODULE_PATH).string());

    const auto png = folder / "window.png";
    const HostOutcome found =
        RunHost(folder.Path(), {"--state", (folder / "state").string(), "--window-png", png.string()}, false);
    EXPECT_EQ(found.exitStatus, 0) << found.output;
    EXPECT_TRUE(std::filesystem::exists(png));

    const HostOutcome unregistered = RunHost(folder.Path(), {"--unregister"}, false);
    EXPECT_EQ(unregistered.exitStatus, 0) << unregistered.output;
    EXPECT_FALSE(std::filesystem::exists(pathValue));

    const HostOutcome again = RunHost(folder.Path(), {"--unregister", "--module", SKYFLUME_MODULE_PATH}, false);
    ExpectExit(again, kExitModule, "DllUnregisterServer");
    EXPECT_THAT(again.output, HasSubstr("failed"));
}

}  // namespace
}  // namespace skyflume::test
