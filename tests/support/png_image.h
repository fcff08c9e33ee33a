#pragma once

// A PNG file read back through cairo, for the tests that look at pictures
// the window code drew. Only for suites that link cairo.

#include <cairo.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace skyflume::test {

// A PNG read back as 0xRRGGBB pixels; empty when it cannot be read.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }

    // Pixels that differ from `other`'s; -1 when the sizes differ.
    int64_t DifferentPixels(const Image& other) const {
        if (width != other.width || height != other.height) {
            return -1;
        }
        int64_t different = 0;
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            different += pixels[i] != other.pixels[i] ? 1 : 0;
        }
        return different;
    }

    std::vector<uint32_t> Region(int x, int y, int w, int h) const {
        std::vector<uint32_t> region;
        for (int row = y; row < y + h; ++row) {
            for (int column = x; column < x + w; ++column) {
                region.push_back(At(column, row));
            }
        }
        return region;
    }
};

inline Image ReadPng(const std::filesystem::path& path) {
    const std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
        cairo_image_surface_create_from_png(path.c_str()), &cairo_surface_destroy);
    Image image;
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        return image;
    }
    image.width = cairo_image_surface_get_width(surface.get());
    image.height = cairo_image_surface_get_height(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    const unsigned char* data = cairo_image_surface_get_data(surface.get());
    for (int y = 0; y < image.height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + y * stride);
        for (int x = 0; x < image.width; ++x) {
            image.pixels.push_back(row[x] & 0xFFFFFF);
        }
    }
    return image;
}

}  // namespace skyflume::test
