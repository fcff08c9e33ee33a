#pragma once

#include <memory>
#include <mutex>

#include "host/application_base.h"
#include "metered_thread.h"

// The host kit's application for the benchmarks, with every thread started
// for a plug-in metered (ThreadMeter).
class BenchApplication final : public ApplicationBase {
public:
    using ApplicationBase::ApplicationBase;

    // The meter of the thread that StartThread made last; none before the first.
    std::shared_ptr<const ThreadMeter> LastThread();

    // SXApplication
    int32_t StartThread(int32_t option, HANDLE* out, SXThread* body) override;

private:
    std::mutex mutex;
    std::shared_ptr<ThreadMeter> lastThread;
};
