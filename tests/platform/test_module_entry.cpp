#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/windows_api.h"

namespace {

namespace fs = std::filesystem;

template <class Function>
Function Find(HMODULE module, const char* name) {
    // Through void (*)(), which every compiler accepts in a cast to the real type.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

fs::path ModuleFileName(HMODULE module) {
    WCHAR buffer[4096];
    return std::basic_string<WCHAR>(buffer, GetModuleFileNameW(module, buffer, 4096));
}

// The fixture module links the platform's module entry (DllMain on Windows);
// it is loaded with LoadLibraryW and asked through GetProcAddress what its
// entry reported.
TEST(ModuleEntry, AttachAndDetachReachTheModuleWithItsOwnHandle) {
    const std::string file = PLATFORM_TEST_MODULE_FILE;
    HMODULE module = LoadLibraryW(std::basic_string<WCHAR>(file.begin(), file.end()).c_str());
    ASSERT_NE(module, nullptr);
    const auto attachedModule = Find<HINSTANCE (*)()>(module, "FixtureAttachedModule");
    const auto attachCount = Find<int (*)()>(module, "FixtureAttachCount");
    const auto setDetachCounter = Find<void (*)(int*)>(module, "FixtureSetDetachCounter");
    ASSERT_TRUE(attachedModule && attachCount && setDetachCounter);
    EXPECT_EQ(GetProcAddress(module, "OnLoaderNotification"), nullptr);  // hidden
    EXPECT_EQ(attachCount(), 1);

    HINSTANCE own = attachedModule();
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(ModuleFileName(own).filename(), "platform_test_module.sxp64");
#ifdef _WIN32
    EXPECT_EQ(own, module);
#else
    // The entry's handle is an address inside the module; both it and the
    // dlopen handle name the module file, and both find its functions.
    EXPECT_EQ(ModuleFileName(own), fs::canonical(file));
    EXPECT_EQ(ModuleFileName(module), fs::canonical(file));
    EXPECT_EQ(Find<int (*)()>(own, "FixtureAttachCount"), attachCount);
#endif

    int detached = 0;
    setDetachCounter(&detached);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(detached, 1);
#ifndef _WIN32
    EXPECT_FALSE(FreeLibrary(module));
#endif
}

TEST(ModuleEntry, LoadingAMissingFileFails) {
#ifdef _WIN32
    EXPECT_EQ(LoadLibraryW(L"Z:\\nonexistent\\Skyflume.sxp64"), nullptr);
#else
    EXPECT_EQ(LoadLibraryW(WTEXT("/nonexistent/Skyflume.sxp64")), nullptr);
    EXPECT_EQ(GetProcAddress(nullptr, "GetPlugin"), nullptr);
#endif
}

}  // namespace
