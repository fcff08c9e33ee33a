#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/windows_api.h"
#include "support/stderr_capture.h"

namespace {

std::u16string Text(const WCHAR* text) {
    return std::u16string(text, text + lstrlenW(text));
}

TEST(Text, LstrlenWCountsUnitsAndTakesNull) {
    EXPECT_EQ(lstrlenW(WTEXT("")), 0);
    EXPECT_EQ(lstrlenW(WTEXT("abc")), 3);
    EXPECT_EQ(lstrlenW(WTEXT("\U0001F3B5")), 2);
    EXPECT_EQ(lstrlenW(nullptr), 0);
}

TEST(Text, WsprintfWFormatsEveryConversion) {
    WCHAR buffer[1024];
    const int length =
        wsprintfW(buffer, WTEXT("%d|%i|%u|%x|%s|%c|%%"), -42, 7, 4000000000u, 0xbeefu, WTEXT("Grüße"), WTEXT('Z'));
    EXPECT_EQ(Text(buffer), u"-42|7|4000000000|beef|Grüße|Z|%");
    EXPECT_EQ(length, lstrlenW(buffer));
}

TEST(Text, WsprintfWFormatsExtremeIntegers) {
    WCHAR buffer[64];
    wsprintfW(buffer, WTEXT("%d %d %u %x"), INT_MIN, INT_MAX, 0u, 0xFFFFFFFFu);
    EXPECT_EQ(Text(buffer), u"-2147483648 2147483647 0 ffffffff");
}

TEST(Text, WsprintfWKnowsWidthPrecisionAndLongPrefix) {
    WCHAR buffer[64];
    wsprintfW(buffer, WTEXT("[%5d][%-4d][%05d][%.2s][%lu][%X]"), 42, 7, -42, WTEXT("abc"), 9u, 0xabu);
    EXPECT_EQ(Text(buffer), u"[   42][7   ][-0042][ab][9][AB]");
}

TEST(Text, WsprintfWNullTextReadsNull) {
    WCHAR buffer[64];
    wsprintfW(buffer, WTEXT("%s"), static_cast<const WCHAR*>(nullptr));
    EXPECT_EQ(Text(buffer), u"(null)");
}

TEST(Text, WsprintfWWritesAtMost1024UnitsWithTheTerminator) {
    const std::u16string longText(2000, u'x');
    WCHAR buffer[2048];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    EXPECT_EQ(wsprintfW(buffer, WTEXT("%s"), longText.c_str()), 1023);
    EXPECT_EQ(buffer[1022], u'x');
    EXPECT_EQ(buffer[1023], 0);
    EXPECT_EQ(buffer[1024], u'#');
}

TEST(Text, MessageBoxWWritesOneUtf8LineAndAnswersOk) {
    StderrCapture capture;
    const int answer =
        MessageBoxW(nullptr, WTEXT("Verbindung fehlgeschlagen \U0001F3B5"), WTEXT("Skyflume"), MB_OK | MB_ICONERROR);
    EXPECT_EQ(capture.Text(), "Skyflume: Verbindung fehlgeschlagen \xF0\x9F\x8E\xB5\n");
    EXPECT_EQ(answer, 1);
}

}  // namespace
