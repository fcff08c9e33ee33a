#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/windows_api.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

LONG SetText(HKEY key, const WCHAR* name, const std::u16string& text) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
}

// Each test gets its own SONAPLEX_REGISTRY below a fresh temporary folder;
// the root itself does not exist yet.
class Registry : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(temporary.Path().empty());
        root = temporary / "root";
        setenv("SONAPLEX_REGISTRY", root.c_str(), 1);
    }
    void TearDown() override { unsetenv("SONAPLEX_REGISTRY"); }
    skyflume::test::TempFolder temporary;
    fs::path root;
};

TEST_F(Registry, RoundTripOfAText) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, WTEXT("Software\\Sonaplex\\Skyflume"), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_TRUE(fs::is_directory(root / "Software/Sonaplex/Skyflume"));

    const std::u16string text = u"Grüße \U0001F3B5 C:\\Programme\\Skyflume";
    ASSERT_EQ(SetText(key, WTEXT("InstallPath"), text), ERROR_SUCCESS);
    EXPECT_EQ(ReadFile(root / "Software/Sonaplex/Skyflume/InstallPath"),
              "Gr\xC3\xBC\xC3\x9F"
              "e \xF0\x9F\x8E\xB5 C:\\Programme\\Skyflume");
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, WTEXT("Software\\Sonaplex\\Skyflume"), WTEXT("InstallPath"),
                           RRF_RT_REG_SZ, &type, nullptr, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, (text.size() + 1) * sizeof(WCHAR));

    std::u16string read(size / sizeof(WCHAR), u'#');
    ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, WTEXT("Software\\Sonaplex\\Skyflume"), WTEXT("InstallPath"),
                           RRF_RT_REG_SZ, nullptr, read.data(), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, (text.size() + 1) * sizeof(WCHAR));
    EXPECT_EQ(read, text + u'\0');
}

TEST_F(Registry, CreatingTwiceOpensTheExistingKeyAndKeepsItsValues) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, WTEXT("Software\\Skyflume"), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(SetText(key, WTEXT("Name"), u"first"), ERROR_SUCCESS);
    RegCloseKey(key);
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, WTEXT("Software\\Skyflume"), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(ReadFile(root / "Software/Skyflume/Name"), "first");
    ASSERT_EQ(SetText(key, WTEXT("Name"), u"second"), ERROR_SUCCESS);
    EXPECT_EQ(ReadFile(root / "Software/Skyflume/Name"), "second");
    RegCloseKey(key);
}

TEST_F(Registry, SmallBufferAnswersMoreDataAndTheSizeNeeded) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, WTEXT("K"), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(SetText(key, WTEXT("V"), u"abcd"), ERROR_SUCCESS);
    RegCloseKey(key);
    WCHAR buffer[4];
    DWORD size = sizeof(buffer);
    EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, WTEXT("K"), WTEXT("V"), RRF_RT_REG_SZ, nullptr, buffer, &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 5 * sizeof(WCHAR));
}

TEST_F(Registry, EmptyTextAndSizeWithoutTerminator) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, WTEXT("K"), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(SetText(key, WTEXT("Empty"), u""), ERROR_SUCCESS);
    EXPECT_EQ(ReadFile(root / "K/Empty"), "");
    const std::u16string text = u"xyz";
    ASSERT_EQ(RegSetValueExW(key, WTEXT("Bare"), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()), 6),
              ERROR_SUCCESS);
    EXPECT_EQ(ReadFile(root / "K/Bare"), "xyz");
    RegCloseKey(key);
    WCHAR buffer[8];
    DWORD size = sizeof(buffer);
    ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, WTEXT("K"), WTEXT("Empty"), RRF_RT_REG_SZ, nullptr, buffer, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, sizeof(WCHAR));
    EXPECT_EQ(buffer[0], 0);
}

TEST_F(Registry, MissingValueOrKeyIsNotFound) {
    DWORD size = 0;
    EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, WTEXT("Nope"), WTEXT("V"), RRF_RT_REG_SZ, nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, WTEXT("K\\Sub"), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, WTEXT("K"), WTEXT("V"), RRF_RT_REG_SZ, nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    // A subkey is not a value.
    EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, WTEXT("K"), WTEXT("Sub"), RRF_RT_REG_SZ, nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, DeleteRemovesTheKeyWithItsValuesOnce) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, WTEXT("Software\\Skyflume"), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(SetText(key, WTEXT("A"), u"1"), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key, WTEXT("B"), u"2"), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, WTEXT("Software\\Skyflume")), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(root / "Software/Skyflume"));
    EXPECT_TRUE(fs::is_directory(root / "Software"));
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, WTEXT("Software\\Skyflume")), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, DeleteFailsWhileTheKeyHasSubkeys) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, WTEXT("Software\\Skyflume\\Sub"), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, WTEXT("Software\\Skyflume")), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(fs::is_directory(root / "Software/Skyflume/Sub"));
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, WTEXT("Software\\Skyflume\\Sub")), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, WTEXT("Software\\Skyflume")), ERROR_SUCCESS);
}

TEST_F(Registry, KeyThatCannotBeCreatedFails) {
    // Root runs the tests, so permissions do not stop it: a regular file does.
    const fs::path file = temporary / "file";
    std::ofstream(file) << "not a folder";
    setenv("SONAPLEX_REGISTRY", (file / "registry").c_str(), 1);
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, WTEXT("Software\\Skyflume"), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(key, nullptr);
}

TEST_F(Registry, RootIsReadAtEachCall) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, WTEXT("K"), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    setenv("SONAPLEX_REGISTRY", (temporary / "other").c_str(), 1);
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, WTEXT("K"), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_TRUE(fs::is_directory(root / "K"));
    EXPECT_TRUE(fs::is_directory(temporary / "other/K"));
}

TEST_F(Registry, NamesThatWouldLeaveTheKeyAreRefused) {
    HKEY key = nullptr;
    EXPECT_EQ(
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, WTEXT("..\\Escape"), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
        ERROR_INVALID_PARAMETER);
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, WTEXT("K"), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(SetText(key, WTEXT("a/b"), u"x"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SetText(key, WTEXT(".."), u"x"), ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, WTEXT("")), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(fs::exists(temporary / "Escape"));
}

}  // namespace
