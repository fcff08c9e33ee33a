// After install.cmd, the module that the registry names, loaded with plain
// LoadLibraryW as a host may load it (this program imports no FFmpeg DLL, and
// neither its folder nor the search path holds one), streams the host's tone
// to icecast2. Run by tests/packaging/check_windows_package.sh.

#include "plugin_sdk/skyflume_contract.h"
#include "stream/end_to_end_fixture.h"
#include "support/listener.h"
#include "support/temp_folder.h"

namespace skyflume::test {
namespace {

// The path that install.cmd registered; empty when there is none.
std::wstring RegisteredPath() {
    wchar_t path[1024] = {};
    DWORD size = sizeof path;
    return RegGetValueW(HKEY_LOCAL_MACHINE, SkyflumePluginKeyIn<wchar_t>().data(), L"Path", RRF_RT_REG_SZ, nullptr,
                        path, &size) == ERROR_SUCCESS
               ? path
               : L"";
}

// Before any test has loaded FFmpeg into this program: a copy of the module
// in a folder without FFmpeg's DLLs finds none, and GetPlugin answers none
// rather than an object that would fail at its first call into FFmpeg.
class ModuleWithoutFfmpeg : public ModuleTest {
protected:
    static void SetUpTestSuite() {}
    void SetUp() override {}
};

TEST_F(ModuleWithoutFfmpeg, AnswersNoPlugin) {
    const TempFolder folder;
    const HMODULE alone = LoadCopyIn(folder.Path());
    ASSERT_NE(alone, nullptr);
    RPlugin* plugin = nullptr;
    EXPECT_EQ(Find<GetPluginFunction>(alone, "GetPlugin")(&plugin), nullptr);
    EXPECT_EQ(plugin, nullptr);
    EXPECT_TRUE(FreeLibrary(alone));
}

class InstalledModuleTest : public EndToEndTest {
protected:
    static void SetUpTestSuite() { module = LoadLibraryW(RegisteredPath().c_str()); }
};

TEST_F(InstalledModuleTest, StreamsTheHostsToneToIcecastWhereAListenerHearsIt) {
    ASSERT_NO_FATAL_FAILURE(StartServer());
    StartAudio();
    ASSERT_NO_FATAL_FAILURE(StartStreaming());
    const ListenResult heard = Listener().ListenFor(server->MountUrl(), 5.0);
    EXPECT_EQ(heard.decodeErrors, 0);
    EXPECT_GE(heard.SecondsHeard(), 3.0) << heard.error;
    // The tone's frequency from its upward crossings, with hysteresis against
    // noise (the other suites' spectrum would import FFmpeg).
    size_t first = 0, last = 0, crossings = 0;
    bool low = false;
    for (size_t i = 0; i < heard.left.size(); ++i) {
        low = low || heard.left[i] < -0.1f;
        if (low && heard.left[i] > 0.1f) {
            first = crossings++ == 0 ? i : first;
            last = i;
            low = false;
        }
    }
    EXPECT_NEAR((crossings - 1.0) * heard.sampleRate / static_cast<double>(last - first), kToneHz, 10.0);

    settings.Click();
    ExpectEndedWith("Status: done.");
}

}  // namespace
}  // namespace skyflume::test
