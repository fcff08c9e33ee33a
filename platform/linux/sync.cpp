// Critical sections, events, waiting and closing handles.

#include <chrono>
#include <new>
#include <thread>

#include "platform/windows_api.h"
#include "signal_state.h"

namespace platform {

namespace {

class Event final : public PlatformObject {
public:
    Event(bool manualReset, bool initialState) : state(manualReset, initialState) {}

    // PlatformObject
    uint32_t Wait(uint32_t timeoutMs) override { return state.Wait(timeoutMs); }
    int32_t Signal() override {
        state.Set();
        return TRUE;
    }
    // The creator is the only user: closing destroys the event.
    int32_t Close() override {
        delete this;
        return TRUE;
    }

private:
    ~Event() = default;
    SignalState state;
};

}  // namespace
}  // namespace platform

void InitializeCriticalSection(CRITICAL_SECTION* section) {
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    // A real-time thread (the host's audio thread) may wait on a section that a
    // thread of normal priority holds: the holder runs at the waiter's priority
    // until it leaves, so that no thread of middle priority can keep it out.
    pthread_mutexattr_setprotocol(&attributes, PTHREAD_PRIO_INHERIT);
    pthread_mutex_init(&section->mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
}

void DeleteCriticalSection(CRITICAL_SECTION* section) {
    pthread_mutex_destroy(&section->mutex);
}
void EnterCriticalSection(CRITICAL_SECTION* section) {
    pthread_mutex_lock(&section->mutex);
}
void LeaveCriticalSection(CRITICAL_SECTION* section) {
    pthread_mutex_unlock(&section->mutex);
}

// Named (cross-process) events are not supported: asking for one fails.
HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCWSTR name) {
    if (name != nullptr) return nullptr;
    return new (std::nothrow) platform::Event(manualReset != FALSE, initialState != FALSE);
}

BOOL SetEvent(HANDLE event) {
    return event ? event->Signal() : FALSE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD timeoutMs) {
    return handle ? handle->Wait(timeoutMs) : WAIT_FAILED;
}

BOOL CloseHandle(HANDLE handle) {
    return handle ? handle->Close() : FALSE;
}

void Sleep(DWORD milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
