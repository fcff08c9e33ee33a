#include "bench_application.h"

#include "plugin_sdk/ref_ptr.h"

std::shared_ptr<const ThreadMeter> BenchApplication::LastThread() {
    const std::lock_guard lock(mutex);
    return lastThread;
}

int32_t BenchApplication::StartThread(int32_t option, HANDLE* out, SXThread* body) {
    auto meter = std::make_shared<ThreadMeter>();
    {
        const std::lock_guard lock(mutex);
        lastThread = meter;
    }
    const RefPtr<MeteredBody> metered = RefPtr<MeteredBody>::Adopt(MeteredBody::Create(body, std::move(meter)));
    return ApplicationBase::StartThread(option, out, metered.Get());
}
