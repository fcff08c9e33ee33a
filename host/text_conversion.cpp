#include "host/text_conversion.h"

#include <cstdint>

namespace {

void AppendUtf8(std::string& out, uint32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

void AppendUtf16(std::basic_string<WChar>& out, uint32_t codePoint) {
    if (codePoint < 0x10000) {
        out += static_cast<WChar>(codePoint);
    } else {
        codePoint -= 0x10000;
        out += static_cast<WChar>(0xD800 + (codePoint >> 10));
        out += static_cast<WChar>(0xDC00 + (codePoint & 0x3FF));
    }
}

constexpr uint32_t kReplacement = 0xFFFD;

}  // namespace

std::string Utf16ToUtf8(const WChar* text) {
    std::string out;
    if (text == nullptr) {
        return out;
    }
    for (size_t i = 0; text[i] != 0; ++i) {
        const uint32_t unit = static_cast<uint16_t>(text[i]);
        if (unit >= 0xD800 && unit < 0xDC00) {
            const uint32_t next = static_cast<uint16_t>(text[i + 1]);
            if (next >= 0xDC00 && next < 0xE000) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                ++i;
                continue;
            }
            AppendUtf8(out, kReplacement);
        } else if (unit >= 0xDC00 && unit < 0xE000) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

std::basic_string<WChar> Utf8ToUtf16(std::string_view text) {
    std::basic_string<WChar> out;
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<uint8_t>(text[i]);
        const int extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : -1;
        if (extra < 0 || i + static_cast<size_t>(extra) >= text.size()) {
            AppendUtf16(out, kReplacement);
            ++i;
            continue;
        }
        uint32_t codePoint = extra == 0 ? lead : lead & (0x3F >> extra);
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<uint8_t>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        if (!valid) {
            AppendUtf16(out, kReplacement);
            ++i;
            continue;
        }
        AppendUtf16(out, codePoint);
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}
