// The module as Sonaplex meets it once install.cmd has run: the file that the
// plug-in's registry key names, loaded with its own folder first on the DLL
// search path, where the package's DLLs lie beside it. It streams the host's
// tone to icecast2, where a listener must hear it. This program imports no
// FFmpeg DLL of its own, so the module can only have found the package's.
// tests/packaging/check_windows_package.sh runs it in a fresh Wine prefix
// with the package installed.

#include <vector>

#include "stream/end_to_end_fixture.h"
#include "support/listener.h"

namespace skyflume::test {
namespace {

using namespace std::chrono_literals;

class InstalledModuleTest : public EndToEndTest {
protected:
    static void SetUpTestSuite() {
        wchar_t path[1024] = {};
        DWORD size = sizeof path;
        if (RegGetValueW(HKEY_LOCAL_MACHINE,
                         L"SOFTWARE\\Quillmark\\Sonaplex\\Plugins\\{E85D1DFD-8B26-4399-A2E8-20FE315600C1}", L"Path",
                         RRF_RT_REG_SZ, nullptr, path, &size) == ERROR_SUCCESS) {
            module = LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        }
    }
};

// A tone's frequency from its upward crossings between the first and the
// last, with hysteresis so that noise around zero does not count; the
// signal analysis of the other suites would import FFmpeg.
double CrossingFrequency(const std::vector<float>& samples, int sampleRate) {
    size_t first = 0, last = 0, crossings = 0;
    bool low = false;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (samples[i] < -0.1f) low = true;
        if (samples[i] > 0.1f && low) {
            if (crossings++ == 0) first = i;
            last = i;
            low = false;
        }
    }
    return crossings > 1 ? static_cast<double>(crossings - 1) * sampleRate / static_cast<double>(last - first) : 0.0;
}

TEST_F(InstalledModuleTest, StreamsTheHostsToneToIcecastWhereAListenerHearsIt) {
    IcecastServer server;
    ASSERT_TRUE(StartServer(server));
    settings.TypeServer(server.Port(), "/stream", "admin", "tovrz");
    StartAudio();
    ASSERT_NO_FATAL_FAILURE(StartStreaming());

    Listener listener;
    const ListenResult heard = listener.ListenFor(server.MountUrl(), 5.0);
    EXPECT_EQ(heard.decodeErrors, 0);
    EXPECT_GE(heard.SecondsHeard(), 3.0) << heard.error;
    EXPECT_NEAR(CrossingFrequency(heard.left, heard.sampleRate), kToneHz, 10.0);

    settings.Click();
    ASSERT_TRUE(application.WaitForEvent(kEventStreamEnded, kEventTimeout));
    settings.ExpectIdleWith("Status: done.");
}

}  // namespace
}  // namespace skyflume::test
