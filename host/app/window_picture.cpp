#include "host/app/window_picture.h"

#include <algorithm>
#include <memory>

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include "host/text_conversion.h"

namespace {

struct Rgb {
    double red;
    double green;
    double blue;
};

constexpr Rgb FromHex(uint32_t rgb) {
    return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0};
}

constexpr Rgb FromColorRef(uint32_t colorRef) {
    return {(colorRef & 0xFF) / 255.0, ((colorRef >> 8) & 0xFF) / 255.0, ((colorRef >> 16) & 0xFF) / 255.0};
}

constexpr Rgb kWindowFace = FromHex(0xF0F0F0);
constexpr Rgb kEditFace = FromHex(0xFFFFFF);
constexpr Rgb kButtonFace = FromHex(0xE1E1E1);
constexpr Rgb kEditBorder = FromHex(0x7A7A7A);
constexpr Rgb kButtonBorder = FromHex(0xADADAD);
constexpr Rgb kDisabledBorder = FromHex(0xCCCCCC);
constexpr Rgb kText = FromHex(0x000000);
constexpr Rgb kDisabledText = FromHex(0x838383);
constexpr Rgb kEtchDark = FromHex(0xA0A0A0);
constexpr Rgb kEtchLight = FromHex(0xFFFFFF);

constexpr double kFontSize = 12.0;
constexpr int kTextInset = 4;
constexpr int kArrowWidth = 17;
constexpr int kButtonMinWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonPadding = 10;
constexpr char16_t kBullet = u'\u25CF';

struct SurfaceReleaser {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextReleaser {
    void operator()(cairo_t* context) const { cairo_destroy(context); }
};

// cairo refuses a whole text, and then draws nothing more at all, when the
// text holds a code point that Unicode keeps out of interchange: U+FDD0 to
// U+FDEF and every one ending in FFFE or FFFF. A restored state can put any
// code unit into a box, so these are drawn as U+FFFD.
bool IsNoncharacter(char16_t unit) {
    return (unit >= 0xFDD0 && unit <= 0xFDEF) || unit >= 0xFFFE;
}

// In the planes above the first they are the surrogate pairs whose high
// half ends in 3F and whose low half is DFFE or DFFF.
bool IsNoncharacterPair(char16_t high, char16_t low) {
    return high >= 0xD800 && high < 0xDC00 && (high & 0x3F) == 0x3F && low >= 0xDFFE && low <= 0xDFFF;
}

std::string Utf8(const std::u16string& text) {
    std::u16string drawable;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i + 1 < text.size() && IsNoncharacterPair(text[i], text[i + 1])) {
            drawable += u'\uFFFD';
            ++i;
        } else {
            drawable += IsNoncharacter(text[i]) ? u'\uFFFD' : text[i];
        }
    }
    return Utf16ToUtf8(drawable.c_str());
}

// One bullet per character, as password boxes show them.
std::u16string Masked(const std::u16string& text) {
    const auto lowSurrogates =
        std::count_if(text.begin(), text.end(), [](char16_t unit) { return unit >= 0xDC00 && unit < 0xE000; });
    return std::u16string(text.size() - static_cast<std::size_t>(lowSurrogates), kBullet);
}

class Painter {
public:
    explicit Painter(cairo_t* context) : context(context) {
        cairo_select_font_face(context, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(context, kFontSize);
        cairo_font_extents(context, &font);
    }

    void Fill(Rgb colour, double x, double y, double width, double height) {
        SetColour(colour);
        cairo_rectangle(context, x, y, width, height);
        cairo_fill(context);
    }

    // A one-pixel frame just inside the rectangle, on pixel centres so that it stays sharp.
    void Frame(Rgb colour, double x, double y, double width, double height) {
        SetColour(colour);
        cairo_set_line_width(context, 1.0);
        cairo_rectangle(context, x + 0.5, y + 0.5, width - 1.0, height - 1.0);
        cairo_stroke(context);
    }

    double TextWidth(const std::string& utf8) {
        cairo_text_extents_t extents;
        cairo_text_extents(context, utf8.c_str(), &extents);
        return extents.x_advance;
    }

    double LineHeight() const { return font.ascent + font.descent; }

    // Text vertically centred in the band [y, y + height), clipped to the given box.
    void Text(const std::string& utf8, Rgb colour, double x, double y, double height, double clipX, double clipWidth) {
        cairo_save(context);
        cairo_rectangle(context, clipX, y, clipWidth, height);
        cairo_clip(context);
        SetColour(colour);
        cairo_move_to(context, x, y + (height - LineHeight()) / 2.0 + font.ascent);
        cairo_show_text(context, utf8.c_str());
        cairo_restore(context);
    }

    void DownArrow(Rgb colour, double centreX, double centreY) {
        SetColour(colour);
        cairo_move_to(context, centreX - 4.0, centreY - 2.0);
        cairo_line_to(context, centreX + 4.0, centreY - 2.0);
        cairo_line_to(context, centreX, centreY + 2.0);
        cairo_close_path(context);
        cairo_fill(context);
    }

private:
    void SetColour(Rgb colour) { cairo_set_source_rgb(context, colour.red, colour.green, colour.blue); }

    cairo_t* context;
    cairo_font_extents_t font;
};

void DrawLabel(Painter& painter, const ControlPicture& control) {
    const std::string text = Utf8(control.text);
    const double width = control.width > 0 ? control.width : painter.TextWidth(text);
    const double height = control.height > 0 ? control.height : painter.LineHeight();
    const Rgb colour = !control.enabled ? kDisabledText : control.textColor ? FromColorRef(*control.textColor) : kText;
    painter.Text(text, colour, control.x, control.y, height, control.x, width);
}

void DrawEdit(Painter& painter, const ControlPicture& control, const std::u16string& shown) {
    const int height = control.height > 0 ? control.height : kStandardEditHeight;
    painter.Fill(control.enabled ? kEditFace : kWindowFace, control.x, control.y, control.width, height);
    painter.Frame(control.enabled ? kEditBorder : kDisabledBorder, control.x, control.y, control.width, height);
    painter.Text(Utf8(shown), control.enabled ? kText : kDisabledText, control.x + kTextInset, control.y, height,
                 control.x + 1, control.width - 2);
}

void DrawComboBox(Painter& painter, const ControlPicture& control) {
    const int height = control.height > 0 ? control.height : kStandardEditHeight;
    const bool selected = control.selectedIndex >= 0 && control.selectedIndex < static_cast<int>(control.items.size());
    const std::string text = selected ? Utf8(control.items[static_cast<std::size_t>(control.selectedIndex)]) : "";
    const Rgb ink = control.enabled ? kText : kDisabledText;
    painter.Fill(control.enabled ? kButtonFace : kWindowFace, control.x, control.y, control.width, height);
    painter.Frame(control.enabled ? kButtonBorder : kDisabledBorder, control.x, control.y, control.width, height);
    painter.Text(text, ink, control.x + kTextInset, control.y, height, control.x + 1, control.width - kArrowWidth - 1);
    painter.DownArrow(ink, control.x + control.width - kArrowWidth / 2.0, control.y + height / 2.0);
}

void DrawButton(Painter& painter, const ControlPicture& control) {
    const std::string text = Utf8(control.text);
    const double textWidth = painter.TextWidth(text);
    const double width =
        control.width > 0 ? control.width : std::max<double>(kButtonMinWidth, textWidth + 2 * kButtonPadding);
    const double height = control.height > 0 ? control.height : kButtonHeight;
    painter.Fill(control.enabled ? kButtonFace : kWindowFace, control.x, control.y, width, height);
    painter.Frame(control.enabled ? kButtonBorder : kDisabledBorder, control.x, control.y, width, height);
    painter.Text(text, control.enabled ? kText : kDisabledText, control.x + (width - textWidth) / 2.0, control.y,
                 height, control.x + 1, width - 2);
}

// An etched line: a dark row over a light one.
void DrawSeparator(Painter& painter, const ControlPicture& control) {
    const int height = control.height > 0 ? control.height : kSeparatorHeight;
    painter.Fill(kEtchDark, control.x, control.y, control.width, height / 2.0);
    painter.Fill(kEtchLight, control.x, control.y + height / 2.0, control.width, height / 2.0);
}

void DrawControl(Painter& painter, const ControlPicture& control) {
    switch (control.kind) {
    case ControlPicture::Label:
        DrawLabel(painter, control);
        break;
    case ControlPicture::TextBox:
    case ControlPicture::NumberBox:
        DrawEdit(painter, control, control.text);
        break;
    case ControlPicture::PasswordBox:
        DrawEdit(painter, control, Masked(control.text));
        break;
    case ControlPicture::ComboBox:
        DrawComboBox(painter, control);
        break;
    case ControlPicture::Button:
        DrawButton(painter, control);
        break;
    case ControlPicture::Separator:
        DrawSeparator(painter, control);
        break;
    }
}

// Every cairo object is gone when this returns.
cairo_status_t DrawAndWrite(const WindowPicture& window, const std::filesystem::path& pngPath) {
    const std::unique_ptr<cairo_surface_t, SurfaceReleaser> surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, window.width, window.height));
    const std::unique_ptr<cairo_t, ContextReleaser> context(cairo_create(surface.get()));
    if (cairo_status(context.get()) != CAIRO_STATUS_SUCCESS) {
        return cairo_status(context.get());
    }
    Painter painter(context.get());
    painter.Fill(kWindowFace, 0, 0, window.width, window.height);
    for (const ControlPicture& control : window.controls) {
        DrawControl(painter, control);
    }
    // A drawing that failed midway must not pass for the window.
    if (cairo_status(context.get()) != CAIRO_STATUS_SUCCESS) {
        return cairo_status(context.get());
    }
    cairo_surface_flush(surface.get());
    return cairo_surface_write_to_png(surface.get(), pngPath.c_str());
}

}  // namespace

std::string DrawWindowPicture(const WindowPicture& window, const std::filesystem::path& pngPath) {
    if (window.width <= 0 || window.height <= 0) {
        return "a window of " + std::to_string(window.width) + " x " + std::to_string(window.height) +
               " pixels cannot be drawn";
    }
    const cairo_status_t status = DrawAndWrite(window, pngPath);
    // The font caches would outlive the program's only drawing and show up as
    // leaks; both libraries set themselves up again if there is another.
    cairo_debug_reset_static_data();
    FcFini();
    if (status != CAIRO_STATUS_SUCCESS) {
        return "cannot draw the window into " + pngPath.string() + ": " + cairo_status_to_string(status);
    }
    return {};
}
