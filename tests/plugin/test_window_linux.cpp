// What only Linux shows of the settings window: the message a plug-in shows
// with MessageBoxW, read where the Linux platform layer writes it (one line on
// standard error; on Windows it is a real box), and the window drawn by the
// reference host's picture code, compared with the picture committed for it.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "host/app/window_picture.h"
#include "host/app/window_snapshot.h"
#include "support/plugin_fixture.h"
#include "support/png_image.h"
#include "support/stderr_capture.h"
#include "support/temp_folder.h"

namespace skyflume::test {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kWindowGrey = 0xF0F0F0u;
constexpr uint32_t kBlack = 0x000000u;

bool IsGreen(uint32_t pixel) {
    const uint32_t red = pixel >> 16;
    const uint32_t green = (pixel >> 8) & 0xFF;
    const uint32_t blue = pixel & 0xFF;
    return green > 200 && red < 60 && blue < 60;
}

bool HasBlack(const std::vector<uint32_t>& pixels) {
    return std::find(pixels.begin(), pixels.end(), kBlack) != pixels.end();
}

// A new plug-in's window as the toolkit recorded it, drawn into a folder of
// the test's own; a test changes `window` to see what a change draws.
class WindowPictureTest : public PluginTest {
protected:
    void SetUp() override {
        InitializeAndActivate();
        window = SnapshotOf(toolkit, settings.Window());
    }

    Image Draw(const std::string& name) {
        const fs::path path = folder / name;
        EXPECT_EQ(DrawWindowPicture(window, path), "");
        return ReadPng(path);
    }

    // The first control of that kind: the server host's box, the password's,
    // the bit-rate list.
    ControlPicture& First(ControlPicture::Kind kind) {
        return *std::find_if(window.controls.begin(), window.controls.end(),
                             [kind](const ControlPicture& control) { return control.kind == kind; });
    }

    static std::vector<uint32_t> Area(const Image& image, const ControlPicture& control, int width, int height) {
        return image.Region(control.x, control.y, width, height);
    }

    TempFolder folder;
    WindowPicture window;
};

// Every control in its place, with its size, text, selection and colour, as
// the user sees them; the picture is drawn anew into
// SKYFLUME_WINDOW_PICTURE_OUT when that is set, to be looked at and, after a
// deliberate change, committed.
TEST_F(WindowPictureTest, ANewPluginsWindowLooksAsInTheCommittedPicture) {
    const Image drawn = Draw("settings-window.png");
    EXPECT_EQ(drawn.DifferentPixels(ReadPng(SKYFLUME_WINDOW_PICTURE)), 0)
        << "compare " << SKYFLUME_WINDOW_PICTURE << " with " << folder / "settings-window.png";
    if (const char* out = std::getenv("SKYFLUME_WINDOW_PICTURE_OUT"); out != nullptr) {
        fs::copy_file(folder / "settings-window.png", out, fs::copy_options::overwrite_existing);
    }
}

TEST_F(WindowPictureTest, DrawsTheClientAreaAtItsSizeWithEveryKindOfControl) {
    const Image image = Draw("window.png");
    ASSERT_EQ(image.width, 290);
    ASSERT_EQ(image.height, 412);
    EXPECT_EQ(image.At(0, 0), kWindowGrey);
    EXPECT_EQ(image.At(289, 411), kWindowGrey);
    const std::set<uint32_t> colours(image.pixels.begin(), image.pixels.end());
    EXPECT_GT(colours.size(), 10u);

    // The status text, green, and only there.
    const auto& status = *std::find_if(window.controls.begin(), window.controls.end(),
                                       [](const ControlPicture& control) { return control.textColor.has_value(); });
    const auto statusArea = Area(image, status, 100, 18);
    EXPECT_GT(std::count_if(statusArea.begin(), statusArea.end(), IsGreen), 10);
    EXPECT_EQ(std::count_if(image.pixels.begin(), image.pixels.end(), IsGreen),
              std::count_if(statusArea.begin(), statusArea.end(), IsGreen));

    // An edit box: white inside a darker frame, over the window's grey, text in black.
    const ControlPicture& host = First(ControlPicture::TextBox);
    EXPECT_EQ(image.At(host.x + host.width - 2, host.y + 11), 0xFFFFFFu);
    EXPECT_NE(image.At(host.x, host.y + 11), kWindowGrey);
    EXPECT_EQ(image.At(host.x - 1, host.y + 11), kWindowGrey);
    EXPECT_TRUE(HasBlack(image.Region(host.x + 3, host.y + 3, 60, 16)));

    // The separator's dark line across the window.
    const ControlPicture& separator = First(ControlPicture::Separator);
    EXPECT_LT(image.At(separator.x + separator.width / 2, separator.y) & 0xFF, 0xC0u);
    // The captions, black text on grey.
    EXPECT_TRUE(HasBlack(Area(image, First(ControlPicture::Label), 60, 14)));
    // The button stands out from the window below the separator.
    const auto button = Area(image, First(ControlPicture::Button), 75, 23);
    EXPECT_GT(std::count(button.begin(), button.end(), 0xE1E1E1u), 500);
}

TEST_F(WindowPictureTest, PasswordShowsOnlyHowLongItIs) {
    ControlPicture& password = First(ControlPicture::PasswordBox);
    const Image tovrz = Draw("tovrz.png");
    password.text = u"xyzab";
    const Image xyzab = Draw("xyzab.png");
    password.text = u"xyzabc";
    const Image longer = Draw("longer.png");
    password.kind = ControlPicture::TextBox;
    const Image plain = Draw("plain.png");

    EXPECT_EQ(tovrz.pixels, xyzab.pixels);
    EXPECT_NE(Area(xyzab, password, 150, 22), Area(longer, password, 150, 22));
    EXPECT_NE(Area(longer, password, 150, 22), Area(plain, password, 150, 22));
}

TEST_F(WindowPictureTest, DropDownListShowsItsSelectedItem) {
    ControlPicture& bitRate = First(ControlPicture::ComboBox);
    const Image at128 = Draw("128.png");
    bitRate.selectedIndex = 9;
    const Image at320 = Draw("320.png");
    bitRate.selectedIndex = -1;
    const Image none = Draw("none.png");
    bitRate.selectedIndex = 10;
    const Image outside = Draw("outside.png");

    const auto text = [&bitRate](const Image& image) { return image.Region(bitRate.x + 1, bitRate.y + 1, 80, 20); };
    EXPECT_NE(text(at128), text(at320));
    EXPECT_NE(text(at128), text(none));
    EXPECT_EQ(text(none), text(outside));
    // The drop arrow is there whatever is selected.
    EXPECT_TRUE(HasBlack(none.Region(bitRate.x + bitRate.width - 17, bitRate.y, 17, 22)));
}

TEST_F(WindowPictureTest, DisabledControlsAreGreyed) {
    ControlPicture& host = First(ControlPicture::TextBox);
    const Image enabled = Draw("enabled.png");
    host.enabled = false;
    const Image disabled = Draw("disabled.png");

    EXPECT_EQ(enabled.At(host.x + host.width - 2, host.y + 11), 0xFFFFFFu);
    EXPECT_EQ(disabled.At(host.x + host.width - 2, host.y + 11), kWindowGrey);
    const auto text = disabled.Region(host.x + 3, host.y + 3, 60, 16);
    EXPECT_FALSE(HasBlack(text));
    EXPECT_NE(std::find_if(text.begin(), text.end(), [](uint32_t pixel) { return pixel != kWindowGrey; }), text.end());
}

TEST_F(WindowPictureTest, ReportsWhatItCannotDo) {
    const std::string unwritable = DrawWindowPicture(window, folder / "missing" / "window.png");
    EXPECT_NE(unwritable.find("missing"), std::string::npos) << unwritable;
    EXPECT_NE(DrawWindowPicture(WindowPicture{}, folder / "empty.png"), "");
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
