#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "narrow.h"
#include "platform/windows_api.h"

namespace {

std::string FixtureFile() {
    char path[PATH_MAX];
    return realpath(PLATFORM_TEST_MODULE_FILE, path) ? path : "";
}

std::u16string Wide(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

std::string ModuleFileName(HMODULE module) {
    WCHAR buffer[4096];
    return GetModuleFileNameW(module, buffer, 4096) ? Narrow(buffer) : "";
}

// The fixture module links the platform's module entry; it is loaded with
// LoadLibraryW and asked through GetProcAddress what its entry reported.
TEST(ModuleEntry, AttachAndDetachReachTheModuleWithItsOwnHandle) {
    const std::string file = FixtureFile();
    ASSERT_FALSE(file.empty());
    HMODULE module = LoadLibraryW(Wide(file).c_str());
    ASSERT_NE(module, nullptr);

    auto attachedModule = reinterpret_cast<HINSTANCE (*)()>(GetProcAddress(module, "FixtureAttachedModule"));
    auto attachCount = reinterpret_cast<int (*)()>(GetProcAddress(module, "FixtureAttachCount"));
    auto setDetachCounter = reinterpret_cast<void (*)(int*)>(GetProcAddress(module, "FixtureSetDetachCounter"));
    ASSERT_TRUE(attachedModule && attachCount && setDetachCounter);
    EXPECT_EQ(GetProcAddress(module, "OnLoaderNotification"), nullptr);  // hidden
    EXPECT_EQ(attachCount(), 1);

    // The entry's handle is an address inside the module; both it and the
    // dlopen handle name the module file, and both find its functions.
    HINSTANCE own = attachedModule();
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(ModuleFileName(own), file);
    EXPECT_EQ(ModuleFileName(module), file);
    EXPECT_EQ(GetProcAddress(own, "FixtureAttachCount"), reinterpret_cast<FARPROC>(attachCount));

    int detached = 0;
    setDetachCounter(&detached);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(detached, 1);
    EXPECT_FALSE(FreeLibrary(module));
}

TEST(ModuleEntry, LoadingAMissingFileFails) {
    EXPECT_EQ(LoadLibraryW(WTEXT("/nonexistent/Skyflume.sxp64")), nullptr);
    EXPECT_EQ(GetProcAddress(nullptr, "GetPlugin"), nullptr);
}

}  // namespace
