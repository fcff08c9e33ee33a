#pragma once

#include <cstdint>

#include "host/application_base.h"

// The host kit's application with the answers of the host's checks
// configurable, as hosts differ in them, and the threads it makes counted.
class RecordingApplication final : public ApplicationBase {
public:
    // Without a GUI service GetService answers 0.
    explicit RecordingApplication(TGuiService* guiService = nullptr) : ApplicationBase(guiService) {}

    // Configuration: the answers of the host's checks.
    int32_t started = 1;
    int32_t windowSuppressed = 0;
    int32_t streamFormatProcessing = 1;
    int32_t processAudioEnabled = 1;
    int32_t sampleRate = 44100;
    // False: StartThread makes no thread and leaves no handle, as a host that
    // cannot make one would.
    bool threadsAvailable = true;
    // False: StartThread holds no reference on the body while Run runs, as a
    // host need not; WaitForThreads does not see such a thread.
    bool holdBodies = true;
    void SetGuiService(TGuiService* service) { guiService = service; }

    // Threads that StartThread made.
    int32_t ThreadsStarted() const { return threadsStarted; }

    // SXApplication
    int32_t IsStarted() override { return started; }
    int32_t IsWindowSuppressed() override { return windowSuppressed; }
    int32_t GetSampleRate() override { return sampleRate; }
    int32_t IsStreamFormatProcessing() override { return streamFormatProcessing; }
    int32_t IsProcessAudioEnabled() override { return processAudioEnabled; }
    int32_t StartThread(int32_t option, HANDLE* out, SXThread* body) override;

private:
    int32_t threadsStarted = 0;
};
