#include <gtest/gtest.h>

#include <string>

#include "platform/windows_api.h"

namespace {

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

template <class Function>
Function Find(HMODULE module, const char* name) {
    // Through void (*)(), which every compiler accepts in a cast to the real type.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The fixture module links the platform's module entry, DllMain; it is loaded
// with LoadLibraryW and asked through GetProcAddress what its entry reported.
TEST(ModuleEntry, DllMainReportsAttachAndDetachWithTheModulesOwnHandle) {
    HMODULE module = LoadLibraryW(Wide(PLATFORM_TEST_MODULE_FILE).c_str());
    ASSERT_NE(module, nullptr);
    const auto attachedModule = Find<HINSTANCE (*)()>(module, "FixtureAttachedModule");
    const auto attachCount = Find<int (*)()>(module, "FixtureAttachCount");
    const auto setDetachCounter = Find<void (*)(int*)>(module, "FixtureSetDetachCounter");
    ASSERT_TRUE(attachedModule && attachCount && setDetachCounter);
    EXPECT_EQ(GetProcAddress(module, "OnLoaderNotification"), nullptr);
    EXPECT_EQ(attachCount(), 1);
    EXPECT_EQ(attachedModule(), module);

    WCHAR name[MAX_PATH];
    const DWORD length = GetModuleFileNameW(attachedModule(), name, MAX_PATH);
    ASSERT_GT(length, 0u);
    const std::wstring file(name, length);
    EXPECT_EQ(file.substr(file.find_last_of(L'\\') + 1), L"platform_test_module.sxp64");

    int detached = 0;
    setDetachCounter(&detached);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(detached, 1);
}

TEST(ModuleEntry, LoadingAMissingFileFails) {
    EXPECT_EQ(LoadLibraryW(L"Z:\\nonexistent\\Skyflume.sxp64"), nullptr);
}

}  // namespace
