#pragma once

#include <sys/types.h>
#include <atomic>
#include <memory>

#include "plugin_sdk/host_listeners.h"

// What the benchmarks know of one thread that the host started for its
// plug-in: its kernel id once it runs, and the CPU time it used in all when
// its body's Run has returned.
struct ThreadMeter {
    std::atomic<pid_t> threadId{0};
    std::atomic<bool> ended{false};
    // Valid once ended is set.
    double cpuSeconds = 0;
};

// The body that the host runs in place of the plug-in's own: it runs the
// plug-in's Run on the same thread and reads that thread's CPU clock when it
// returns, so the figure is the worker's alone, set-up and ending included.
class MeteredBody final : public SXThread {
public:
    // A new body with count 1, which belongs to the caller; it holds a
    // reference on `body` until it goes.
    static MeteredBody* Create(SXThread* body, std::shared_ptr<ThreadMeter> meter);

    // RUnknown
    int32_t QueryInterface(const GUID* iid, void** out) override;
    int32_t AddRef() override;
    int32_t Release() override;

    // SXThread
    int32_t Run() override;

private:
    MeteredBody(SXThread* body, std::shared_ptr<ThreadMeter> meter);
    ~MeteredBody();

    std::atomic<int32_t> refCount{1};
    SXThread* const body;
    const std::shared_ptr<ThreadMeter> meter;
};
