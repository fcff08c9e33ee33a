#include "support/recording_application.h"

int32_t RecordingApplication::StartThread(int32_t option, HANDLE* out, SXThread* body) {
    if (!threadsAvailable) {
        *out = nullptr;
        return 0;
    }
    if (holdBodies) {
        ApplicationBase::StartThread(option, out, body);
    } else {
        *out = CreateThread(
            nullptr, 0,
            [](LPVOID thread) -> DWORD { return static_cast<DWORD>(static_cast<SXThread*>(thread)->Run()); }, body, 0,
            nullptr);
    }
    threadsStarted += *out != nullptr ? 1 : 0;
    return 0;
}
