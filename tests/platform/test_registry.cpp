#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>

#include "platform/windows_api.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using skyflume::test::FileText;

LONG SetText(HKEY key, const WCHAR* name, const std::u16string& text) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
}

// Creates or opens a key below HKEY_LOCAL_MACHINE for writing, as the module does.
LONG CreateKey(const WCHAR* path, HKEY* key, DWORD* disposition = nullptr) {
    return RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key,
                           disposition);
}

// Reads a text value of a key below HKEY_LOCAL_MACHINE.
LONG GetText(const WCHAR* path, const WCHAR* name, DWORD* type, void* data, DWORD* size) {
    return RegGetValueW(HKEY_LOCAL_MACHINE, path, name, RRF_RT_REG_SZ, type, data, size);
}

// Creates a key with these texts in it and closes it again; answers the first failure.
LONG MakeKey(const WCHAR* path, std::initializer_list<std::pair<const WCHAR*, std::u16string>> texts = {}) {
    HKEY key = nullptr;
    LONG result = CreateKey(path, &key);
    for (const auto& [name, text] : texts) {
        if (result == ERROR_SUCCESS) result = SetText(key, name, text);
    }
    if (key != nullptr) RegCloseKey(key);
    return result;
}

// Each test gets a registry of its own; its root does not exist yet.
class Registry : public testing::Test {
protected:
    skyflume::test::TempRegistry registry;
    const skyflume::test::TempFolder& temporary = registry.folder;
    const fs::path& root = registry.root;
};

TEST_F(Registry, RoundTripOfAText) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(CreateKey(WTEXT("Software\\Sonaplex\\Skyflume"), &key, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_TRUE(fs::is_directory(root / "Software/Sonaplex/Skyflume"));

    const std::u16string text = u"Grüße \U0001F3B5 C:\\Programme\\Skyflume";
    ASSERT_EQ(SetText(key, WTEXT("InstallPath"), text), ERROR_SUCCESS);
    EXPECT_EQ(FileText(root / "Software/Sonaplex/Skyflume/InstallPath"),
              "Gr\xC3\xBC\xC3\x9F"
              "e \xF0\x9F\x8E\xB5 C:\\Programme\\Skyflume");
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(GetText(WTEXT("Software\\Sonaplex\\Skyflume"), WTEXT("InstallPath"), &type, nullptr, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, (text.size() + 1) * sizeof(WCHAR));

    std::u16string read(size / sizeof(WCHAR), u'#');
    ASSERT_EQ(GetText(WTEXT("Software\\Sonaplex\\Skyflume"), WTEXT("InstallPath"), nullptr, read.data(), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, (text.size() + 1) * sizeof(WCHAR));
    EXPECT_EQ(read, text + u'\0');
}

TEST_F(Registry, CreatingTwiceOpensTheExistingKeyAndKeepsItsValues) {
    ASSERT_EQ(MakeKey(WTEXT("Software\\Skyflume"), {{WTEXT("Name"), u"first"}}), ERROR_SUCCESS);
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(CreateKey(WTEXT("Software\\Skyflume"), &key, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(FileText(root / "Software/Skyflume/Name"), "first");
    ASSERT_EQ(SetText(key, WTEXT("Name"), u"second"), ERROR_SUCCESS);
    EXPECT_EQ(FileText(root / "Software/Skyflume/Name"), "second");
    RegCloseKey(key);
}

TEST_F(Registry, SmallBufferAnswersMoreDataAndTheSizeNeeded) {
    ASSERT_EQ(MakeKey(WTEXT("K"), {{WTEXT("V"), u"abcd"}}), ERROR_SUCCESS);
    WCHAR buffer[4];
    DWORD size = sizeof(buffer);
    EXPECT_EQ(GetText(WTEXT("K"), WTEXT("V"), nullptr, buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 5 * sizeof(WCHAR));
}

TEST_F(Registry, EmptyTextAndSizeWithoutTerminator) {
    HKEY key = nullptr;
    ASSERT_EQ(CreateKey(WTEXT("K"), &key), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key, WTEXT("Empty"), u""), ERROR_SUCCESS);
    EXPECT_EQ(FileText(root / "K/Empty"), "");
    const std::u16string text = u"xyz";
    ASSERT_EQ(RegSetValueExW(key, WTEXT("Bare"), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()), 6),
              ERROR_SUCCESS);
    EXPECT_EQ(FileText(root / "K/Bare"), "xyz");
    RegCloseKey(key);
    WCHAR buffer[8];
    DWORD size = sizeof(buffer);
    ASSERT_EQ(GetText(WTEXT("K"), WTEXT("Empty"), nullptr, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, sizeof(WCHAR));
    EXPECT_EQ(buffer[0], 0);
}

TEST_F(Registry, MissingValueOrKeyIsNotFound) {
    DWORD size = 0;
    EXPECT_EQ(GetText(WTEXT("Nope"), WTEXT("V"), nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(MakeKey(WTEXT("K\\Sub")), ERROR_SUCCESS);
    EXPECT_EQ(GetText(WTEXT("K"), WTEXT("V"), nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    // A subkey is not a value.
    EXPECT_EQ(GetText(WTEXT("K"), WTEXT("Sub"), nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, DeleteRemovesTheKeyWithItsValuesOnce) {
    ASSERT_EQ(MakeKey(WTEXT("Software\\Skyflume"), {{WTEXT("A"), u"1"}, {WTEXT("B"), u"2"}}), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, WTEXT("Software\\Skyflume")), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(root / "Software/Skyflume"));
    EXPECT_TRUE(fs::is_directory(root / "Software"));
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, WTEXT("Software\\Skyflume")), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, DeleteFailsWhileTheKeyHasSubkeys) {
    ASSERT_EQ(MakeKey(WTEXT("Software\\Skyflume\\Sub")), ERROR_SUCCESS);
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
    EXPECT_EQ(CreateKey(WTEXT("Software\\Skyflume"), &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(key, nullptr);
}

TEST_F(Registry, RootIsReadAtEachCall) {
    ASSERT_EQ(MakeKey(WTEXT("K")), ERROR_SUCCESS);
    setenv("SONAPLEX_REGISTRY", (temporary / "other").c_str(), 1);
    ASSERT_EQ(MakeKey(WTEXT("K")), ERROR_SUCCESS);
    EXPECT_TRUE(fs::is_directory(root / "K"));
    EXPECT_TRUE(fs::is_directory(temporary / "other/K"));
}

TEST_F(Registry, NamesThatWouldLeaveTheKeyAreRefused) {
    HKEY key = nullptr;
    EXPECT_EQ(CreateKey(WTEXT("..\\Escape"), &key), ERROR_INVALID_PARAMETER);
    ASSERT_EQ(CreateKey(WTEXT("K"), &key), ERROR_SUCCESS);
    EXPECT_EQ(SetText(key, WTEXT("a/b"), u"x"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SetText(key, WTEXT(".."), u"x"), ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, WTEXT("")), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(fs::exists(temporary / "Escape"));
}

}  // namespace
