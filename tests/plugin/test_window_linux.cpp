// What only Linux shows of the settings window: the message a plug-in shows
// with MessageBoxW, read where the Linux platform layer writes it (one line on
// standard error; on Windows it is a real box), and the window drawn by the
// reference host's picture code, compared with the picture committed for it.

#include <cairo.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "host/app/window_picture.h"
#include "host/app/window_snapshot.h"
#include "support/plugin_fixture.h"
#include "support/stderr_capture.h"
#include "support/temp_folder.h"

namespace skyflume::test {
namespace {

namespace fs = std::filesystem;

using Surface = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;

Surface LoadPng(const fs::path& path) {
    return Surface(cairo_image_surface_create_from_png(path.c_str()), &cairo_surface_destroy);
}

// Pixels that differ between two pictures of the same size; -1 when the
// sizes differ or either cannot be read.
int64_t DifferentPixels(cairo_surface_t* a, cairo_surface_t* b) {
    if (cairo_surface_status(a) != CAIRO_STATUS_SUCCESS || cairo_surface_status(b) != CAIRO_STATUS_SUCCESS ||
        cairo_image_surface_get_width(a) != cairo_image_surface_get_width(b) ||
        cairo_image_surface_get_height(a) != cairo_image_surface_get_height(b) ||
        cairo_image_surface_get_format(a) != cairo_image_surface_get_format(b)) {
        return -1;
    }
    cairo_surface_flush(a);
    cairo_surface_flush(b);
    const int width = cairo_image_surface_get_width(a);
    int64_t different = 0;
    for (int y = 0; y < cairo_image_surface_get_height(a); ++y) {
        const auto* rowA =
            reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(a) + y * cairo_image_surface_get_stride(a));
        const auto* rowB =
            reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(b) + y * cairo_image_surface_get_stride(b));
        for (int x = 0; x < width; ++x) {
            different += rowA[x] != rowB[x] ? 1 : 0;
        }
    }
    return different;
}

class WindowPictureTest : public PluginTest {};

// Every control in its place, with its size, text, selection and colour, as
// the user sees them; the picture is drawn anew into
// SKYFLUME_WINDOW_PICTURE_OUT when that is set, to be looked at and, after a
// deliberate change, committed.
TEST_F(WindowPictureTest, ANewPluginsWindowLooksAsInTheCommittedPicture) {
    InitializeAndActivate();
    const skyflume::test::TempFolder folder;
    const fs::path drawn = folder / "settings-window.png";
    ASSERT_EQ(DrawWindowPicture(SnapshotOf(toolkit, settings.Window()), drawn), "");
    const Surface golden = LoadPng(SKYFLUME_WINDOW_PICTURE);
    const Surface now = LoadPng(drawn);
    EXPECT_EQ(DifferentPixels(golden.get(), now.get()), 0)
        << "compare " << SKYFLUME_WINDOW_PICTURE << " with " << drawn;
    if (const char* out = std::getenv("SKYFLUME_WINDOW_PICTURE_OUT"); out != nullptr) {
        fs::copy_file(drawn, out, fs::copy_options::overwrite_existing);
    }
}

class WindowMessageTest : public PluginTest {};

TEST_F(WindowMessageTest, WithoutTheFactoryEveryAttemptToOpenShowsTheMessage) {
    toolkit.SetFactoryAvailable(false);
    const std::string message = "Skyflume: Required GUI service not found. Please update your application.\n";
    StderrCapture opening;
    InitializeAndActivate();
    EXPECT_EQ(opening.Text(), message);
    EXPECT_EQ(toolkit.HeldReferences(), 0);

    StderrCapture reopening;
    application.ClickMenuItem(0);
    EXPECT_EQ(reopening.Text(), message);
    EXPECT_TRUE(toolkit.Components().empty());
    EXPECT_EQ(State().windowOpen, 1);
    EXPECT_EQ(toolkit.HeldReferences(), 0);
}

}  // namespace
}  // namespace skyflume::test
