// --window-png draws the settings window as the plug-in built it, with the
// settings entered, and streams nothing; a setting the plug-in keeps only
// part of is named.

#include <gtest/gtest.h>

#include "host_run.h"
#include "support/png_image.h"
#include "support/temp_folder.h"

namespace skyflume::test {
namespace {

// Offset and capacity of the station name in the plug-in's state block.
constexpr std::size_t kRadioNameOffset = 628;
constexpr std::size_t kRadioNameUnits = 64;
constexpr std::size_t kRadioDescriptionOffset = 756;

class WindowPictureTest : public ::testing::Test {
protected:
    TempFolder folder;
    const std::filesystem::path png = folder / "window.png";
};

TEST_F(WindowPictureTest, ANewPlugInsWindowIsDrawnAsInTheCommittedPictureAndNothingStreams) {
    const HostOutcome outcome = RunHost(folder.Path(), {"--window-png", png.string()});

    ASSERT_EQ(outcome.exitStatus, 0) << outcome.output;
    EXPECT_THAT(outcome.output, Not(HasSubstr("Status: connecting...")));
    EXPECT_EQ(ReadPng(png).DifferentPixels(ReadPng(SKYFLUME_WINDOW_PICTURE)), 0)
        << "compare " << SKYFLUME_WINDOW_PICTURE << " with " << png;
}

TEST_F(WindowPictureTest, KeepsTheSettingsOrSaysWhatItCut) {
    const std::string description(300, 'd');

    const HostOutcome outcome = RunHost(
        folder.Path(), {"--window-png", png.string(), "--name", "Picture Station", "--description", description});

    ASSERT_EQ(outcome.exitStatus, 0) << outcome.output;
    EXPECT_THAT(outcome.output, HasSubstr("--description: the plug-in keeps 63 of the 300 characters given: \"" +
                                          description.substr(0, 63) + "\"\n"));
    EXPECT_THAT(outcome.output, Not(HasSubstr("--name:")));
    EXPECT_EQ(ReadPng(png).width, 290) << "the picture is missing or has another size";
    EXPECT_EQ(StateText(HostRun::StatePath(folder.Path()), kRadioNameOffset, kRadioNameUnits), u"Picture Station");
    EXPECT_EQ(StateText(HostRun::StatePath(folder.Path()), kRadioDescriptionOffset, kRadioNameUnits),
              std::u16string(63, u'd'));
}

}  // namespace
}  // namespace skyflume::test
