// UTF-8 <-> UTF-16 through MultiByteToWideChar and WideCharToMultiByte, with
// the counts and buffer sizes of the Windows contract.

#include <gtest/gtest.h>

#include <string>

#include "platform/windows_api.h"

namespace {

using Wide = std::basic_string<WCHAR>;

Wide ToWide(const std::string& utf8) {
    const auto length = static_cast<int>(utf8.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    Wide wide(static_cast<size_t>(size), WCHAR{});
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), size), size);
    return wide;
}

std::string ToUtf8(const Wide& wide) {
    const auto length = static_cast<int>(wide.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), size, nullptr, nullptr), size);
    return utf8;
}

TEST(Utf8Conversion, TextsRoundTripAndTerminatedOnesCountTheirTerminator) {
    const std::string text = "Caf\xC3\xA9 Nacht \xE2\x80\x93 \xE5\xA4\x9C \xF0\x9F\x8E\xB5";
    const Wide wide = ToWide(text);
    EXPECT_EQ(wide, Wide(WTEXT("Caf\u00e9 Nacht \u2013 \u591c \U0001F3B5")));
    EXPECT_EQ(ToUtf8(wide), text);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "ab", -1, nullptr, 0), 3);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, WTEXT("ab"), -1, nullptr, 0, nullptr, nullptr), 3);
    WCHAR small[2];
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 3, small, 2), 0);
}

}  // namespace
