#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// A settings window as plain data, whatever toolkit built it: enough to draw
// what a user would see in its client area.
struct ControlPicture {
    enum Kind { Label, TextBox, PasswordBox, NumberBox, ComboBox, Button, Separator };

    Kind kind = Label;
    int x = 0;
    int y = 0;
    // 0 asks for the standard size: kStandardEditHeight for edits and drop-down
    // lists, kSeparatorHeight for a separator; labels and buttons fit their text.
    int width = 0;
    int height = 0;
    std::u16string text;
    bool enabled = true;
    std::vector<std::u16string> items;  // drop-down lists
    int selectedIndex = -1;             // none when outside items
    std::optional<uint32_t> textColor;  // COLORREF 0x00BBGGRR; black when none
};

struct WindowPicture {
    int width = 0;
    int height = 0;
    std::vector<ControlPicture> controls;
};

inline constexpr int kStandardEditHeight = 22;
inline constexpr int kSeparatorHeight = 2;

// Draws the client area, exactly width x height pixels, into a PNG file.
// Answers an error text, empty on success. Resets cairo's and fontconfig's
// caches when done, so no other thread may be using either meanwhile.
[[nodiscard]] std::string DrawWindowPicture(const WindowPicture& window, const std::filesystem::path& pngPath);
