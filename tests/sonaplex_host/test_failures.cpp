// Runs that must not start a stream: the input cannot be opened, the module
// cannot be used, or the plug-in refuses the settings.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "host_run.h"
#include "../host/temp_folder.h"

namespace skyflume::test {
namespace {

constexpr int kExitModule = 3;
constexpr int kExitRefused = 4;
constexpr int kExitInput = 6;

void ExpectNoStream(const HostOutcome& outcome) {
    EXPECT_TRUE(outcome.exited) << outcome.output;
    EXPECT_EQ(outcome.output.find("Status: connecting..."), std::string::npos) << outcome.output;
}

TEST(NoStreamTest, AnInputThatCannotBeOpenedIsNamedAndNothingStreams) {
    TempFolder folder;
    const auto notAudio = folder / "notes.wav";
    std::ofstream(notAudio) << "these are notes, not audio\n";

    for (const auto& input : {(folder / "missing.wav").string(), notAudio.string()}) {
        SCOPED_TRACE(input);
        const HostOutcome outcome = RunHost(folder.Path(), {"--input", input});
        ExpectNoStream(outcome);
        EXPECT_EQ(outcome.exitStatus, kExitInput);
        EXPECT_NE(outcome.output.find("cannot open the input " + input), std::string::npos) << outcome.output;
    }
}

TEST(NoStreamTest, AModuleThatCannotBeUsedIsNamedAndNothingStreams) {
    TempFolder folder;
    const auto notAModule = folder / "Skyflume.sxp64";
    std::ofstream(notAModule) << "not a module\n";
    struct Case {
        std::string module;
        std::string message;
    };
    const Case cases[] = {
        {(folder / "absent.sxp64").string(),
         "cannot load the module " + (folder / "absent.sxp64").string() + ": no such file"},
        {notAModule.string(), "cannot load the module " + notAModule.string() + ": it is not a loadable module"},
        {NOT_A_PLUGIN_MODULE_PATH, "does not export GetPlugin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.module);
        const HostOutcome outcome =
            RunHost(folder.Path(), {"--module", c.module, "--state", (folder / "state").string()}, false);
        ExpectNoStream(outcome);
        EXPECT_EQ(outcome.exitStatus, kExitModule);
        EXPECT_NE(outcome.output.find(c.message), std::string::npos) << outcome.output;
    }
}

TEST(NoStreamTest, AnUnregisteredModuleIsNotFoundWithoutModuleOption) {
    TempFolder folder;
    ::setenv("SONAPLEX_REGISTRY", (folder / "registry").c_str(), 1);
    const HostOutcome outcome = RunHost(folder.Path(), {"--state", (folder / "state").string()}, false);
    ::unsetenv("SONAPLEX_REGISTRY");

    ExpectNoStream(outcome);
    EXPECT_EQ(outcome.exitStatus, kExitModule);
    EXPECT_NE(outcome.output.find("the module is not registered"), std::string::npos) << outcome.output;
}

TEST(NoStreamTest, ASettingThePlugInRefusesShowsItsMessage) {
    TempFolder folder;
    const HostOutcome outcome = RunHost(folder.Path(), {"--server", ""});

    ExpectNoStream(outcome);
    EXPECT_EQ(outcome.exitStatus, kExitRefused);
    EXPECT_NE(outcome.output.find("message box \"Error\": Invalid server host name!"), std::string::npos)
        << outcome.output;
}

}  // namespace
}  // namespace skyflume::test
