// What a release promises about the Windows module beyond its code: the
// version resource that Windows shows in the file's properties, and FFmpeg
// DLLs under the LGPL only, as the package's notice says.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswresample/swresample.h>
}

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "host/text_conversion.h"

namespace {

class VersionResourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring file = Utf8ToUtf16(SKYFLUME_MODULE_PATH);
        const DWORD size = GetFileVersionInfoSizeW(file.c_str(), nullptr);
        ASSERT_NE(size, 0u) << "no version resource, error " << GetLastError();
        block.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(file.c_str(), 0, size, block.data()));
    }

    // A value of the US English, Unicode string table; empty when missing.
    std::string Text(const wchar_t* name) {
        void* value = nullptr;
        UINT length = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || length == 0) return {};
        return Utf16ToUtf8(static_cast<const wchar_t*>(value));
    }

    std::vector<unsigned char> block;
};

TEST_F(VersionResourceTest, NamesTheProjectsVersionProductAndCopyright) {
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &value, &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const std::string numbers = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(HIWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(numbers, SKYFLUME_VERSION);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

    EXPECT_EQ(Text(L"FileVersion"), SKYFLUME_VERSION);
    EXPECT_EQ(Text(L"ProductVersion"), SKYFLUME_VERSION);
    EXPECT_EQ(Text(L"ProductName"), "Skyflume");
    EXPECT_EQ(Text(L"LegalCopyright"), SKYFLUME_COPYRIGHT);
    EXPECT_NE(Text(L"FileDescription").find("Sonaplex"), std::string::npos);
    EXPECT_EQ(Text(L"OriginalFilename"), "Skyflume.sxp64");
}

TEST(FfmpegDlls, AreUnderTheLgplOnly) {
    for (const char* license : {avcodec_license(), avformat_license(), avutil_license(), swresample_license()}) {
        EXPECT_STREQ(license, "LGPL version 2.1 or later");
    }
    const std::string configuration = avcodec_configuration();
    EXPECT_EQ(configuration.find("--enable-gpl"), std::string::npos) << configuration;
    EXPECT_EQ(configuration.find("--enable-nonfree"), std::string::npos) << configuration;
}

}  // namespace
