// MessageBoxW without a desktop: one line on standard error.

#include <cstdio>
#include <string>

#include "platform/windows_api.h"
#include "utf.h"

// Answers IDOK (1) whatever the buttons; a null caption reads "Error", as on
// Windows.
int MessageBoxW(HWND, LPCWSTR text, LPCWSTR caption, UINT) {
    const std::string line =
        (caption ? platform::ToUtf8(caption) : std::string("Error")) + ": " + platform::ToUtf8(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return 1;
}
