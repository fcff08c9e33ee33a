// Threads whose handle is signalled when the start routine has returned.

#include <atomic>
#include <climits>
#include <new>

#include "platform/windows_api.h"
#include "signal_state.h"

namespace platform {
namespace {

// Shared by the running thread and the handle's holder; whichever of the two
// lets go last destroys it, so the handle may be closed while the thread runs.
class Thread final : public PlatformObject {
public:
    Thread(LPTHREAD_START_ROUTINE start, LPVOID parameter) : start(start), parameter(parameter) {}

    static void* Run(void* self) {
        auto* thread = static_cast<Thread*>(self);
        thread->start(thread->parameter);
        thread->finished.Set();
        thread->Release();
        return nullptr;
    }

    // PlatformObject
    uint32_t Wait(uint32_t timeoutMs) override { return finished.Wait(timeoutMs); }
    // A thread is signalled by its end only.
    int32_t Signal() override { return FALSE; }
    int32_t Close() override {
        Release();
        return TRUE;
    }

    // Called when the thread could not be started: only the caller holds it.
    void Abandon() { delete this; }

private:
    ~Thread() = default;
    void Release() {
        if (users.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
    }

    LPTHREAD_START_ROUTINE start;
    LPVOID parameter;
    SignalState finished{true, false};
    std::atomic<int> users{2};
};

std::atomic<DWORD> lastThreadId{0};

}  // namespace
}  // namespace platform

// Flags (CREATE_SUSPENDED) are not supported; *threadId receives a number
// unique within this module.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES, size_t stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD,
                    DWORD* threadId) {
    if (start == nullptr) return nullptr;
    auto* thread = new (std::nothrow) platform::Thread(start, parameter);
    if (thread == nullptr) return nullptr;
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    const auto minimumStack = static_cast<size_t>(PTHREAD_STACK_MIN);
    if (stackSize != 0) pthread_attr_setstacksize(&attributes, stackSize < minimumStack ? minimumStack : stackSize);
    pthread_t id;
    const int error = pthread_create(&id, &attributes, &platform::Thread::Run, thread);
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        thread->Abandon();
        return nullptr;
    }
    if (threadId) *threadId = ++platform::lastThreadId;
    return thread;
}
