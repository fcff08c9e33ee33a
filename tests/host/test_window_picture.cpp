#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "host/app/window_picture.h"
#include "support/png_image.h"
#include "support/temp_folder.h"

namespace {

using skyflume::test::Image;
using skyflume::test::ReadPng;
using skyflume::test::TempFolder;

constexpr uint32_t kGreen = 65280;
constexpr int kPasswordIndex = 15;
constexpr int kBitRateIndex = 16;
constexpr int kServerHostIndex = 11;

ControlPicture Input(ControlPicture::Kind kind, int x, int y, int width, std::u16string text = {}) {
    ControlPicture control;
    control.kind = kind;
    control.x = x;
    control.y = y;
    control.width = width;
    control.text = std::move(text);
    return control;
}

ControlPicture Label(int x, int y, std::u16string text) {
    return Input(ControlPicture::Label, x, y, 0, std::move(text));
}

// The plug-in's settings window as it opens with its defaults.
WindowPicture SettingsWindow() {
    WindowPicture window;
    window.width = 290;
    window.height = 412;
    const std::u16string captions[] = {u"Server URL",  u"Server Port", u"Mount Point",  u"User Name",
                                       u"Password",    u"Bit Rate",    u"Sample Rate",  u"Radio Name",
                                       u"Radio Desc.", u"Radio Genre", u"Radio Website"};
    const int captionRows[] = {20, 50, 80, 110, 140, 172, 202, 234, 264, 294, 324};
    for (int i = 0; i < 11; ++i) {
        window.controls.push_back(Label(20, captionRows[i], captions[i]));
    }
    window.controls.push_back(Input(ControlPicture::TextBox, 120, 18, 150, u"localhost"));
    window.controls.push_back(Input(ControlPicture::NumberBox, 120, 48, 150, u"8000"));
    window.controls.push_back(Input(ControlPicture::TextBox, 120, 78, 150, u"/stream"));
    window.controls.push_back(Input(ControlPicture::TextBox, 120, 108, 150, u"admin"));
    window.controls.push_back(Input(ControlPicture::PasswordBox, 120, 138, 150, u"tovrz"));
    ControlPicture bitRate = Input(ControlPicture::ComboBox, 120, 168, 100);
    for (const char16_t* item : {u"64 kbps", u"80 kbps", u"96 kbps", u"112 kbps", u"128 kbps", u"160 kbps", u"192 kbps",
                                 u"224 kbps", u"256 kbps", u"320 kbps"}) {
        bitRate.items.emplace_back(item);
    }
    bitRate.selectedIndex = 4;
    window.controls.push_back(bitRate);
    ControlPicture sampleRate = Input(ControlPicture::ComboBox, 120, 198, 100);
    sampleRate.items = {u"44100 Hz", u"48000 Hz"};
    sampleRate.selectedIndex = 0;
    window.controls.push_back(sampleRate);
    window.controls.push_back(Input(ControlPicture::TextBox, 120, 232, 150, u"My Radio"));
    window.controls.push_back(Input(ControlPicture::TextBox, 120, 262, 150, u"none"));
    window.controls.push_back(Input(ControlPicture::TextBox, 120, 292, 150, u"none"));
    window.controls.push_back(Input(ControlPicture::TextBox, 120, 322, 150, u"none"));
    window.controls.push_back(Input(ControlPicture::Separator, 5, 358, 280));
    ControlPicture status = Label(20, 378, u"Status: ok");
    status.textColor = kGreen;
    window.controls.push_back(status);
    window.controls.push_back(Input(ControlPicture::Button, 182, 375, 0, u"Stream"));
    return window;
}

Image Draw(const WindowPicture& window, const TempFolder& folder, const std::string& name) {
    const auto path = folder / name;
    const std::string error = DrawWindowPicture(window, path);
    EXPECT_EQ(error, "");
    return ReadPng(path);
}

bool IsGreen(uint32_t pixel) {
    const uint32_t red = pixel >> 16;
    const uint32_t green = (pixel >> 8) & 0xFF;
    const uint32_t blue = pixel & 0xFF;
    return green > 200 && red < 60 && blue < 60;
}

TEST(WindowPicture, DrawsTheClientAreaAtItsSizeWithEveryKindOfControl) {
    TempFolder folder;
    const Image image = Draw(SettingsWindow(), folder, "window.png");
    ASSERT_EQ(image.width, 290);
    ASSERT_EQ(image.height, 412);

    EXPECT_EQ(image.At(0, 0), 0xF0F0F0u);
    EXPECT_EQ(image.At(289, 411), 0xF0F0F0u);
    const std::set<uint32_t> colours(image.pixels.begin(), image.pixels.end());
    EXPECT_GT(colours.size(), 10u);

    // The status text, green, and only there.
    const auto status = image.Region(20, 378, 100, 18);
    EXPECT_GT(std::count_if(status.begin(), status.end(), IsGreen), 10);
    EXPECT_EQ(std::count_if(image.pixels.begin(), image.pixels.end(), IsGreen),
              std::count_if(status.begin(), status.end(), IsGreen));

    // An edit box: white inside a darker frame, over the window's grey, text in black.
    EXPECT_EQ(image.At(120 + 148, 18 + 11), 0xFFFFFFu);
    EXPECT_NE(image.At(120, 18 + 11), 0xF0F0F0u);
    EXPECT_EQ(image.At(119, 18 + 11), 0xF0F0F0u);
    const auto host = image.Region(120 + 3, 18 + 3, 60, 16);
    EXPECT_NE(std::find(host.begin(), host.end(), 0x000000u), host.end());

    // The separator's dark line across the window.
    EXPECT_LT(image.At(145, 358) & 0xFF, 0xC0u);
    // The captions, black text on grey.
    const auto caption = image.Region(20, 20, 60, 14);
    EXPECT_NE(std::find(caption.begin(), caption.end(), 0x000000u), caption.end());
    // The button stands out from the window below the separator.
    const auto button = image.Region(182, 375, 75, 23);
    EXPECT_GT(std::count(button.begin(), button.end(), 0xE1E1E1u), 500);
}

TEST(WindowPicture, PasswordShowsOnlyHowLongItIs) {
    TempFolder folder;
    WindowPicture window = SettingsWindow();
    const Image tovrz = Draw(window, folder, "tovrz.png");
    window.controls[kPasswordIndex].text = u"xyzab";
    const Image xyzab = Draw(window, folder, "xyzab.png");
    window.controls[kPasswordIndex].text = u"xyzabc";
    const Image longer = Draw(window, folder, "longer.png");
    window.controls[kPasswordIndex].kind = ControlPicture::TextBox;
    const Image plain = Draw(window, folder, "plain.png");

    EXPECT_EQ(tovrz.pixels, xyzab.pixels);
    EXPECT_NE(xyzab.Region(120, 138, 150, 22), longer.Region(120, 138, 150, 22));
    EXPECT_NE(longer.Region(120, 138, 150, 22), plain.Region(120, 138, 150, 22));
}

TEST(WindowPicture, DropDownListShowsItsSelectedItem) {
    TempFolder folder;
    WindowPicture window = SettingsWindow();
    const Image at128 = Draw(window, folder, "128.png");
    window.controls[kBitRateIndex].selectedIndex = 9;
    const Image at320 = Draw(window, folder, "320.png");
    window.controls[kBitRateIndex].selectedIndex = -1;
    const Image none = Draw(window, folder, "none.png");
    window.controls[kBitRateIndex].selectedIndex = 10;
    const Image outside = Draw(window, folder, "outside.png");

    const auto text = [](const Image& image) { return image.Region(121, 169, 80, 20); };
    EXPECT_NE(text(at128), text(at320));
    EXPECT_NE(text(at128), text(none));
    EXPECT_EQ(text(none), text(outside));
    // The drop arrow is there whatever is selected.
    const auto arrow = none.Region(120 + 100 - 17, 168, 17, 22);
    EXPECT_NE(std::find(arrow.begin(), arrow.end(), 0x000000u), arrow.end());
}

TEST(WindowPicture, DisabledControlsAreGreyed) {
    TempFolder folder;
    WindowPicture window = SettingsWindow();
    const Image enabled = Draw(window, folder, "enabled.png");
    window.controls[kServerHostIndex].enabled = false;
    const Image disabled = Draw(window, folder, "disabled.png");

    EXPECT_EQ(enabled.At(120 + 148, 18 + 11), 0xFFFFFFu);
    EXPECT_EQ(disabled.At(120 + 148, 18 + 11), 0xF0F0F0u);
    const auto text = disabled.Region(123, 21, 60, 16);
    EXPECT_EQ(std::find(text.begin(), text.end(), 0x000000u), text.end());
    EXPECT_NE(std::find_if(text.begin(), text.end(), [](uint32_t pixel) { return pixel != 0xF0F0F0u; }), text.end());
}

TEST(WindowPicture, ReportsWhatItCannotDo) {
    TempFolder folder;
    const std::string unwritable = DrawWindowPicture(SettingsWindow(), folder / "missing" / "window.png");
    EXPECT_NE(unwritable.find("missing"), std::string::npos) << unwritable;
    WindowPicture empty;
    EXPECT_NE(DrawWindowPicture(empty, folder / "empty.png"), "");
}

}  // namespace
