#include "host/body_threads.h"

#include <memory>

struct BodyThreads::Launch {
    BodyThreads* threads;
    SXThread* body;
};

// The body's reference, taken by Start, is held while Run runs.
DWORD BodyThreads::RunBody(LPVOID parameter) {
    const std::unique_ptr<Launch> start(static_cast<Launch*>(parameter));
    start->body->Run();
    start->body->Release();
    // Notified under the lock: once it is released the owner may be gone.
    const std::lock_guard lock(start->threads->mutex);
    --start->threads->running;
    start->threads->ended.notify_all();
    return 0;
}

BodyThreads::~BodyThreads() {
    WaitAll();
}

void BodyThreads::Start(HANDLE* out, SXThread* body) {
    body->AddRef();
    {
        const std::lock_guard lock(mutex);
        ++running;
    }
    auto start = std::make_unique<Launch>(Launch{this, body});
    *out = CreateThread(nullptr, 0, RunBody, start.get(), 0, nullptr);
    if (*out == nullptr) {
        body->Release();
        const std::lock_guard lock(mutex);
        --running;
        return;
    }
    start.release();
}

void BodyThreads::WaitAll() {
    std::unique_lock lock(mutex);
    ended.wait(lock, [this] { return running == 0; });
}

bool BodyThreads::WaitAll(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex);
    return ended.wait_for(lock, timeout, [this] { return running == 0; });
}
