// The Windows module's registration in the real HKEY_LOCAL_MACHINE, as
// regsvr32 would call it.

#include <string>

#include "module_fixture.h"

namespace {

constexpr wchar_t kPluginKey[] = L"SOFTWARE\\Quillmark\\Sonaplex\\Plugins\\{E85D1DFD-8B26-4399-A2E8-20FE315600C1}";

// The key's "Path" value; the error code when it cannot be read.
LONG ReadPath(std::wstring& path) {
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD size = sizeof buffer;
    const LONG result = RegGetValueW(HKEY_LOCAL_MACHINE, kPluginKey, L"Path", RRF_RT_REG_SZ, nullptr, buffer, &size);
    path = buffer;
    return result;
}

class RegistrationTest : public ModuleTest {
protected:
    void TearDown() override { RegDeleteKeyW(HKEY_LOCAL_MACHINE, kPluginKey); }
};

TEST_F(RegistrationTest, RecordsTheModulesFullPathAndUnregistrationRemovesTheKeyOnce) {
    wchar_t moduleFile[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(module, moduleFile, MAX_PATH), 0u);
    const std::wstring expected = moduleFile;
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

}  // namespace
