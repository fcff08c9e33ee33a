#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/windows_api.h"

namespace {

std::string Executable() {
    return std::filesystem::canonical("/proc/self/exe").string();
}

// The text up to its terminator, in UTF-8.
std::string Narrow(const WCHAR* text) {
    return std::filesystem::path(std::u16string(text)).string();
}

TEST(ModuleFile, NullModuleNamesTheExecutable) {
    WCHAR buffer[4096];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, 4096);
    const std::string expected = Executable();
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(Narrow(buffer), expected);
    EXPECT_EQ(length, expected.size());
    EXPECT_EQ(expected.substr(expected.rfind('/') + 1), "test_platform");
}

TEST(ModuleFile, AnAddressInsideTheExecutableNamesIt) {
    WCHAR buffer[4096];
    static int inside = 0;
    ASSERT_GT(GetModuleFileNameW(&inside, buffer, 4096), 0u);
    EXPECT_EQ(Narrow(buffer), Executable());
}

TEST(ModuleFile, TruncatesLikeWindows) {
    const DWORD length = static_cast<DWORD>(Executable().size());
    WCHAR buffer[4096];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, 5), 5u);
    EXPECT_EQ(Narrow(buffer), Executable().substr(0, 4));
    EXPECT_EQ(buffer[5], u'#');
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, length), length);
    EXPECT_EQ(Narrow(buffer), Executable().substr(0, length - 1));
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, length + 1), length);
    EXPECT_EQ(Narrow(buffer), Executable());
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, 0), 0u);
    EXPECT_EQ(buffer[0], u'/');
}

TEST(ModuleFile, AnAddressOutsideEveryModuleFails) {
    WCHAR buffer[64];
    int onTheStack = 0;
    EXPECT_EQ(GetModuleFileNameW(&onTheStack, buffer, 64), 0u);
}

}  // namespace
