#include "bench_application.h"

#include "plugin_sdk/ref_ptr.h"

bool BenchApplication::WaitForEvent(int32_t id, std::chrono::milliseconds timeout) {
    return events.DeliverUntil(id, std::chrono::steady_clock::now() + timeout);
}

std::shared_ptr<const ThreadMeter> BenchApplication::LastThread() {
    const std::lock_guard lock(mutex);
    return lastThread;
}

int32_t BenchApplication::PostEvent(SXEventListener* target, int32_t id, int32_t param, intptr_t param2) {
    events.Post(target, id, param, param2);
    return 1;
}

int32_t BenchApplication::StartThread(int32_t, HANDLE* out, SXThread* body) {
    auto meter = std::make_shared<ThreadMeter>();
    {
        const std::lock_guard lock(mutex);
        lastThread = meter;
    }
    const RefPtr<MeteredBody> metered = RefPtr<MeteredBody>::Adopt(MeteredBody::Create(body, std::move(meter)));
    threads.Start(out, metered.Get());
    return 0;
}
