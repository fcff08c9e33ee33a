#include "latency_picture.h"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>

namespace {

constexpr int kWidth = 760;
constexpr int kHeight = 440;
constexpr double kLeft = 70;
constexpr double kRight = 20;
constexpr double kTop = 40;
constexpr double kBottom = 50;
// Call times from 0.1 µs to 1 ms, shares from all calls down to 1 in 10^4.
constexpr double kMinLogMicros = -1;
constexpr double kMaxLogMicros = 3;
constexpr double kMinLogShare = -4;

struct Rgb {
    double r, g, b;
};
// The plug-in's phases, then the floor in grey.
constexpr std::array<Rgb, 4> kColours = {
    {{0.12, 0.47, 0.71}, {0.84, 0.15, 0.16}, {0.17, 0.63, 0.17}, {0.55, 0.55, 0.55}}};

struct SurfaceCloser {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextCloser {
    void operator()(cairo_t* context) const { cairo_destroy(context); }
};

double X(double micros) {
    const double log = std::clamp(std::log10(micros), kMinLogMicros, kMaxLogMicros);
    return kLeft + (log - kMinLogMicros) / (kMaxLogMicros - kMinLogMicros) * (kWidth - kLeft - kRight);
}

double Y(double share) {
    const double log = std::max(std::log10(share), kMinLogShare);
    return kTop + log / kMinLogShare * (kHeight - kTop - kBottom);
}

void Text(cairo_t* cairo, double x, double y, const std::string& text, double alignX) {
    cairo_text_extents_t extents;
    cairo_text_extents(cairo, text.c_str(), &extents);
    cairo_move_to(cairo, x - alignX * extents.width, y);
    cairo_show_text(cairo, text.c_str());
}

void DrawAxes(cairo_t* cairo, const std::string& caption) {
    cairo_set_source_rgb(cairo, 0.85, 0.85, 0.85);
    cairo_set_line_width(cairo, 1);
    for (double log = kMinLogMicros; log <= kMaxLogMicros; ++log) {
        cairo_move_to(cairo, X(std::pow(10, log)), kTop);
        cairo_line_to(cairo, X(std::pow(10, log)), kHeight - kBottom);
    }
    for (double log = 0; log >= kMinLogShare; --log) {
        cairo_move_to(cairo, kLeft, Y(std::pow(10, log)));
        cairo_line_to(cairo, kWidth - kRight, Y(std::pow(10, log)));
    }
    cairo_stroke(cairo);
    cairo_set_source_rgb(cairo, 0, 0, 0);
    cairo_set_font_size(cairo, 12);
    const char* micros[] = {"0.1 µs", "1 µs", "10 µs", "100 µs", "1 ms"};
    for (int i = 0; i <= 4; ++i) {
        Text(cairo, X(std::pow(10, kMinLogMicros + i)), kHeight - kBottom + 16, micros[i], 0.5);
    }
    const char* shares[] = {"all", "1/10", "1/100", "1/1000", "1/10000"};
    for (int i = 0; i <= 4; ++i) {
        Text(cairo, kLeft - 6, Y(std::pow(10, -i)) + 4, shares[i], 1.0);
    }
    Text(cairo, (kLeft + kWidth - kRight) / 2, kHeight - 12, caption, 0.5);
    cairo_set_font_size(cairo, 14);
    Text(cairo, kLeft, 22, "Share of OnAudio calls that took longer", 0.0);
}

// The share of calls longer than each call time, as a step line.
void DrawPhase(cairo_t* cairo, std::vector<double> micros, const Rgb& colour) {
    std::sort(micros.begin(), micros.end());
    const auto count = static_cast<double>(micros.size());
    cairo_set_source_rgb(cairo, colour.r, colour.g, colour.b);
    cairo_set_line_width(cairo, 2);
    cairo_move_to(cairo, X(micros.front()), Y(1));
    for (size_t i = 0; i + 1 < micros.size(); ++i) {
        const double longer = (count - static_cast<double>(i) - 1) / count;
        cairo_line_to(cairo, X(micros[i]), Y(longer));
        cairo_line_to(cairo, X(micros[i + 1]), Y(longer));
    }
    cairo_line_to(cairo, X(micros.back()), Y(1 / count));
    cairo_stroke(cairo);
}

}  // namespace

std::string DrawCallTimes(const CallTimeResults& results, const std::filesystem::path& png) {
    const std::unique_ptr<cairo_surface_t, SurfaceCloser> surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight));
    const std::unique_ptr<cairo_t, ContextCloser> cairo(cairo_create(surface.get()));
    cairo_set_source_rgb(cairo.get(), 1, 1, 1);
    cairo_paint(cairo.get());
    cairo_select_font_face(cairo.get(), "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    DrawAxes(cairo.get(), "time of one OnAudio call (" + std::to_string(results.blockFrames) + " frames at " +
                              std::to_string(results.hostRate) + " Hz)");
    const std::vector<CallTimePhase> phases = results.PhasesAndFloor();
    for (size_t i = 0; i < phases.size() && i < kColours.size(); ++i) {
        const CallTimePhase& phase = phases[i];
        if (phase.micros.empty()) {
            continue;
        }
        DrawPhase(cairo.get(), phase.micros, kColours[i]);
        cairo_set_font_size(cairo.get(), 12);
        const double y = kTop + 20 + 18 * static_cast<double>(i);
        cairo_rectangle(cairo.get(), kWidth - kRight - 210, y - 9, 14, 10);
        cairo_fill(cairo.get());
        cairo_set_source_rgb(cairo.get(), 0, 0, 0);
        char label[96];
        std::snprintf(label, sizeof label, "%s (%zu calls)", phase.name.c_str(), phase.micros.size());
        Text(cairo.get(), kWidth - kRight - 190, y, label, 0.0);
    }
    if (cairo_surface_write_to_png(surface.get(), png.c_str()) != CAIRO_STATUS_SUCCESS) {
        return "cannot write " + png.string();
    }
    return {};
}
