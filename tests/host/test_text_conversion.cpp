// The hosts' UTF-8 <-> UTF-16 conversion: ill-formed input is never decoded
// into a character it does not stand for.

#include <gtest/gtest.h>

#include <string>

#include "host/text_conversion.h"

namespace {

// Each ill-formed input stands between two slashes; whatever it becomes, it
// is U+FFFD, never a character of its own (such as a third slash).
TEST(TextConversion, IllFormedInputBecomesReplacementCharacters) {
    const std::string illFormed[] = {
        "\xC0\xAF",          // '/' in an overlong form
        "\xE0\x80\xAF",      // '/' in a longer overlong form
        "\xF4\x90\x80\x80",  // above U+10FFFF
        "\xED\xA0\x80",      // a surrogate
        "\xE5\xA4",          // a sequence cut short
        "\xFF",              // no lead byte
    };
    for (const std::string& input : illFormed) {
        const std::basic_string<WChar> wide = Utf8ToUtf16("/" + input + "/");
        ASSERT_GE(wide.size(), 3u) << input.size() << " bytes";
        EXPECT_EQ(wide.front(), WChar('/'));
        EXPECT_EQ(wide.back(), WChar('/'));
        for (size_t i = 1; i + 1 < wide.size(); ++i) {
            EXPECT_EQ(wide[i], WChar(0xFFFD)) << input.size() << " bytes, unit " << i;
        }
    }
    const WChar loneSurrogates[] = {'a', 0xD800, 'b', 0xDC00, 0};
    EXPECT_EQ(Utf16ToUtf8(loneSurrogates),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8(nullptr), "");
    EXPECT_TRUE(Utf8ToUtf16("").empty());
}

}  // namespace
