#include "host/text_conversion.h"

#include "platform/windows_api.h"

// The platform's own conversion: Windows itself, or the Linux layer's, which
// the module's registry and file names go through too.

std::string Utf16ToUtf8(const WChar* text) {
    if (text == nullptr || text[0] == 0) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

std::basic_string<WChar> Utf8ToUtf16(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const auto length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::basic_string<WChar> out(static_cast<size_t>(size > 0 ? size : 0), WChar{});
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, out.data(), size);
    return out;
}
