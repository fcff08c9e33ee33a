// What a release promises beyond the code: the version resource that Windows
// shows in the module's properties, and FFmpeg DLLs under the LGPL only.
extern "C" {
#include <libavcodec/avcodec.h>
}

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "host/text_conversion.h"

namespace {

TEST(ReleaseModule, VersionResourceNamesTheProjectsVersionProductAndCopyright) {
    const std::wstring file = Utf8ToUtf16(SKYFLUME_MODULE_PATH);
    std::vector<char> block(GetFileVersionInfoSizeW(file.c_str(), nullptr));
    ASSERT_FALSE(block.empty()) << "no version resource, error " << GetLastError();
    ASSERT_TRUE(GetFileVersionInfoW(file.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    const auto value = [&](const std::wstring& path) -> void* {
        void* found = nullptr;
        UINT length = 0;
        return VerQueryValueW(block.data(), path.c_str(), &found, &length) && length > 0 ? found : nullptr;
    };
    const auto text = [&](const wchar_t* name) {
        const void* found = value(std::wstring(L"\\StringFileInfo\\040904B0\\") + name);
        return found ? Utf16ToUtf8(static_cast<const wchar_t*>(found)) : std::string();
    };
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value(L"\\"));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) +
                  "." + std::to_string(HIWORD(fixed->dwFileVersionLS)),
              SKYFLUME_VERSION);
    EXPECT_EQ(text(L"ProductVersion"), SKYFLUME_VERSION);
    EXPECT_EQ(text(L"ProductName"), "Skyflume");
    EXPECT_EQ(text(L"LegalCopyright"), SKYFLUME_COPYRIGHT);
}

TEST(ReleaseModule, FfmpegIsUnderTheLgplOnly) {
    EXPECT_STREQ(avcodec_license(), "LGPL version 2.1 or later");
}

}  // namespace
