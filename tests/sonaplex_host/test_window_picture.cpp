// --window-png draws the settings window as the plug-in built it, with the
// settings entered, and streams nothing; a setting the plug-in keeps only
// part of is named.

#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <set>

#include "host_run.h"
#include "support/temp_folder.h"

namespace skyflume::test {
namespace {

// Offset and capacity of the station name in the plug-in's state block.
constexpr std::size_t kRadioNameOffset = 628;
constexpr std::size_t kRadioNameUnits = 64;
constexpr std::size_t kRadioDescriptionOffset = 756;

struct SurfaceReleaser {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};

TEST(WindowPictureTest, DrawsTheWholeWindowWithTheGreenStatusAndKeepsTheSettingsOrSaysWhatItCut) {
    TempFolder folder;
    const auto png = folder / "window.png";
    const std::string description(300, 'd');

    const HostOutcome outcome = RunHost(
        folder.Path(), {"--window-png", png.string(), "--name", "Picture Station", "--description", description});

    ASSERT_EQ(outcome.exitStatus, 0) << outcome.output;
    EXPECT_NE(outcome.output.find("--description: the plug-in keeps 63 of the 300 characters given: \"" +
                                  description.substr(0, 63) + "\"\n"),
              std::string::npos)
        << outcome.output;
    EXPECT_EQ(outcome.output.find("--name:"), std::string::npos) << outcome.output;
    EXPECT_EQ(outcome.output.find("Status: connecting..."), std::string::npos) << outcome.output;
    const std::unique_ptr<cairo_surface_t, SurfaceReleaser> surface(cairo_image_surface_create_from_png(png.c_str()));
    ASSERT_EQ(cairo_surface_status(surface.get()), CAIRO_STATUS_SUCCESS);
    const int width = cairo_image_surface_get_width(surface.get());
    const int height = cairo_image_surface_get_height(surface.get());
    EXPECT_EQ(width, 290);
    EXPECT_EQ(height, 412);

    const unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    std::set<uint32_t> colours;
    int green = 0;
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + y * stride);
        for (int x = 0; x < width; ++x) {
            const uint32_t pixel = row[x] & 0xFFFFFF;
            colours.insert(pixel);
            const uint32_t r = pixel >> 16 & 0xFF, g = pixel >> 8 & 0xFF, b = pixel & 0xFF;
            green += g > 150 && r < 100 && b < 100 ? 1 : 0;
        }
    }
    EXPECT_GT(colours.size(), 10u);
    EXPECT_GT(green, 20);

    EXPECT_EQ(StateText(HostRun::StatePath(folder.Path()), kRadioNameOffset, kRadioNameUnits), u"Picture Station");
    EXPECT_EQ(StateText(HostRun::StatePath(folder.Path()), kRadioDescriptionOffset, kRadioNameUnits),
              std::u16string(63, u'd'));
}

}  // namespace
}  // namespace skyflume::test
