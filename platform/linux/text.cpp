// lstrlenW, the subset of wsprintfW that Skyflume uses, and the UTF-8
// conversions of MultiByteToWideChar and WideCharToMultiByte.

#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/windows_api.h"
#include "utf.h"

namespace platform {
namespace {

// Like Windows: the output holds at most 1024 units, the terminator included.
constexpr size_t kMaxOutput = 1024;

struct Spec {
    bool left = false;
    bool zero = false;
    int width = 0;
    int precision = -1;
};

void Pad(std::u16string& out, const std::u16string& body, const Spec& spec, char16_t fill) {
    const size_t width = spec.width > 0 ? static_cast<size_t>(spec.width) : 0;
    const size_t padding = body.size() < width ? width - body.size() : 0;
    if (spec.left) {
        out += body;
        out.append(padding, u' ');
    } else if (fill == u'0' && !body.empty() && body[0] == u'-') {
        out += u'-';
        out.append(padding, u'0');
        out.append(body, 1);
    } else {
        out.append(padding, fill);
        out += body;
    }
}

std::u16string Digits(uint64_t value, unsigned base, bool upper, int precision) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::u16string text;
    do {
        text.insert(text.begin(), static_cast<char16_t>(digits[value % base]));
        value /= base;
    } while (value != 0);
    if (precision >= 0 && text.size() < static_cast<size_t>(precision)) {
        text.insert(0, static_cast<size_t>(precision) - text.size(), u'0');
    }
    return text;
}

std::u16string Format(const char16_t* format, va_list arguments) {
    std::u16string out;
    for (const char16_t* p = format; *p != 0; ++p) {
        if (*p != u'%') {
            out += *p;
            continue;
        }
        Spec spec;
        for (++p; *p == u'-' || *p == u'0'; ++p) (*p == u'-' ? spec.left : spec.zero) = true;
        for (; *p >= u'0' && *p <= u'9'; ++p) spec.width = spec.width * 10 + (*p - u'0');
        if (*p == u'.') {
            spec.precision = 0;
            for (++p; *p >= u'0' && *p <= u'9'; ++p) spec.precision = spec.precision * 10 + (*p - u'0');
        }
        // Windows' "long" is 32 bits: l and h change nothing here.
        while (*p == u'l' || *p == u'h') ++p;
        const char16_t fill = spec.zero && !spec.left ? u'0' : u' ';
        switch (*p) {
        case u'd':
        case u'i': {
            const int64_t value = va_arg(arguments, int32_t);
            std::u16string body = Digits(value < 0 ? uint64_t(-value) : uint64_t(value), 10, false, spec.precision);
            if (value < 0) body.insert(body.begin(), u'-');
            Pad(out, body, spec, fill);
            break;
        }
        case u'u':
            Pad(out, Digits(va_arg(arguments, uint32_t), 10, false, spec.precision), spec, fill);
            break;
        case u'x':
        case u'X':
            Pad(out, Digits(va_arg(arguments, uint32_t), 16, *p == u'X', spec.precision), spec, fill);
            break;
        case u's': {
            const auto* text = va_arg(arguments, const char16_t*);
            std::u16string body = text ? text : u"(null)";
            if (spec.precision >= 0 && body.size() > static_cast<size_t>(spec.precision)) body.resize(spec.precision);
            Pad(out, body, spec, u' ');
            break;
        }
        case u'c':
            Pad(out, std::u16string(1, static_cast<char16_t>(va_arg(arguments, int))), spec, u' ');
            break;
        case 0:  // a lone % at the end
            return out;
        default:  // %% and anything unknown: the character itself
            out += *p;
            break;
        }
        if (out.size() >= kMaxOutput) break;
    }
    return out;
}

}  // namespace
}  // namespace platform

int lstrlenW(LPCWSTR text) {
    if (text == nullptr) return 0;
    int length = 0;
    while (text[length] != 0) ++length;
    return length;
}

int wsprintfW(LPWSTR buffer, LPCWSTR format, ...) {
    if (buffer == nullptr || format == nullptr) return 0;
    va_list arguments;
    va_start(arguments, format);
    std::u16string text = platform::Format(format, arguments);
    va_end(arguments);
    if (text.size() > platform::kMaxOutput - 1) text.resize(platform::kMaxOutput - 1);
    text.copy(buffer, text.size());
    buffer[text.size()] = 0;
    return static_cast<int>(text.size());
}

namespace {

// Copies a converted text out as the Windows functions do: the count needed
// when capacity is 0, else the count copied, 0 when it does not fit.
template <class Unit>
int CopyOut(const std::basic_string<Unit>& converted, Unit* buffer, int capacity) {
    const auto size = static_cast<int>(converted.size());
    if (capacity == 0) return size;
    if (buffer == nullptr || capacity < size) return 0;
    converted.copy(buffer, converted.size());
    return size;
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR buffer, int capacity) {
    if (codePage != CP_UTF8 || flags != 0 || text == nullptr || length == 0 || length < -1 || capacity < 0) return 0;
    // A terminated text converts with its terminator.
    const std::string_view input = length == -1 ? std::string_view(text, std::strlen(text) + 1)
                                                : std::string_view(text, static_cast<size_t>(length));
    return CopyOut(platform::ToUtf16(input), buffer, capacity);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int length, LPSTR buffer, int capacity,
                        LPCSTR defaultChar, BOOL* usedDefault) {
    // For UTF-8 Windows takes no default character.
    if (codePage != CP_UTF8 || flags != 0 || defaultChar != nullptr || usedDefault != nullptr || text == nullptr ||
        length == 0 || length < -1 || capacity < 0) {
        return 0;
    }
    const std::u16string_view input = length == -1
                                          ? std::u16string_view(text, std::char_traits<char16_t>::length(text) + 1)
                                          : std::u16string_view(text, static_cast<size_t>(length));
    return CopyOut(platform::ToUtf8(input), buffer, capacity);
}
