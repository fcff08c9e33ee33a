// The Windows module's registration in the real HKEY_LOCAL_MACHINE, as
// regsvr32 would call it, and the module loaded and freed again and again as
// a host that loads its plug-ins on demand does.

#include <string>

#include "plugin_sdk/skyflume_contract.h"
#include "support/module_fixture.h"
#include "support/process_resources.h"
#include "support/temp_folder.h"

namespace {

constexpr auto kPluginKeyUnits = SkyflumePluginKeyIn<wchar_t>();
const wchar_t* const kPluginKey = kPluginKeyUnits.data();

// The key's "Path" value; the error code when it cannot be read.
LONG ReadPath(std::wstring& path) {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof buffer;
    const LONG result = RegGetValueW(HKEY_LOCAL_MACHINE, kPluginKey, L"Path", RRF_RT_REG_SZ, nullptr, buffer, &size);
    path = buffer;
    return result;
}

bool KeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPluginKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

std::wstring FileNameOf(HMODULE module) {
    wchar_t name[1024] = {};
    const DWORD length = GetModuleFileNameW(module, name, 1024);
    return std::wstring(name, length);
}

// With a folder of the test's own for copies of the module.
class ModuleCopyTest : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        ASSERT_FALSE(folder.Path().empty());
    }

    skyflume::test::TempFolder folder;
};

class RegistrationTest : public ModuleCopyTest {
protected:
    void TearDown() override { RegDeleteKeyW(HKEY_LOCAL_MACHINE, kPluginKey); }
};

TEST_F(RegistrationTest, RecordsTheModulesFullPathAndUnregistrationRemovesTheKeyOnce) {
    const std::wstring expected = FileNameOf(module);
    // A full path: drive, colon, backslash, and the module's own name last.
    ASSERT_GT(expected.size(), 3u);
    EXPECT_EQ(expected.substr(1, 2), L":\\");
    EXPECT_EQ(expected.substr(expected.find_last_of(L'\\') + 1), L"Skyflume.sxp64");

    EXPECT_EQ(registerServer(), 0);
    EXPECT_EQ(registerServer(), 0);
    std::wstring path;
    ASSERT_EQ(ReadPath(path), ERROR_SUCCESS);
    EXPECT_EQ(path, expected);

    EXPECT_EQ(unregisterServer(), 0);
    EXPECT_EQ(ReadPath(path), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(unregisterServer(), 1);
}

// Beyond MAX_PATH the name is stored whole for as long as it fits the
// 520-unit buffer; a name that fills it would be cut, so none is stored and
// the key stays as it was made.
TEST_F(RegistrationTest, ALongPathIsStoredWholeAndOneThatFillsTheNameBufferIsRefused) {
    const HMODULE longer = LoadCopyIn(FolderForNameOf(folder.Path(), MAX_PATH));
    ASSERT_NE(longer, nullptr);
    const std::wstring name = FileNameOf(longer);
    ASSERT_GE(name.size(), static_cast<size_t>(MAX_PATH));
    ASSERT_LT(name.size(), 520u);
    EXPECT_EQ(Find<RegistrationFunction>(longer, "DllRegisterServer")(), 0);
    std::wstring path;
    ASSERT_EQ(ReadPath(path), ERROR_SUCCESS);
    EXPECT_EQ(path, name);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kPluginKey);

    const HMODULE tooLong = LoadCopyIn(FolderForNameOf(folder.Path(), 520));
    ASSERT_NE(tooLong, nullptr);
    EXPECT_EQ(Find<RegistrationFunction>(tooLong, "DllRegisterServer")(), 1);
    EXPECT_TRUE(KeyExists());
    EXPECT_EQ(ReadPath(path), ERROR_FILE_NOT_FOUND);
    FreeLibrary(tooLong);
    FreeLibrary(longer);
}

// A copy of its own, which nothing else in the program holds, so that each
// FreeLibrary unloads it.
TEST_F(ModuleCopyTest, AHundredRoundsOfLoadGetPluginReleaseAndFreeGiveBackEverything) {
    const HMODULE first = LoadCopyIn(folder.Path());
    ASSERT_NE(first, nullptr);
    const std::wstring name = FileNameOf(first);
    FreeLibrary(first);
    const auto round = [&] {
        const HMODULE copy = LoadLibraryW(name.c_str());
        ASSERT_NE(copy, nullptr);
        RPlugin* plugin = nullptr;
        ASSERT_NE(Find<GetPluginFunction>(copy, "GetPlugin")(&plugin), nullptr);
        EXPECT_EQ(plugin->Release(), 0);
        EXPECT_TRUE(FreeLibrary(copy));
        EXPECT_EQ(GetModuleHandleW(name.c_str()), nullptr);
    };
    const skyflume::test::ProcessResources before = skyflume::test::CurrentProcessResources();
    for (int i = 0; i < 100 && !HasFailure(); ++i) {
        round();
    }
    const skyflume::test::ProcessResources after = skyflume::test::CurrentProcessResources();
    EXPECT_EQ(after.openHandles, before.openHandles);
    EXPECT_EQ(after.threads, before.threads);
    // A plug-in object is less than a KiB; a module image or a plug-in's
    // buffers left behind each round would add up to megabytes.
    EXPECT_LE(after.memoryKiB - before.memoryKiB, 1024);
}

}  // namespace
