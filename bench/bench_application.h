#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "host/application_base.h"
#include "host/body_threads.h"
#include "host/event_queue.h"
#include "metered_thread.h"
#include "plugin_sdk/gui_toolkit.h"

// The host application of the benchmarks. The thread that creates it is the
// GUI thread, which makes every call into the plug-ins and runs their posted
// events; PostEvent is called from the workers, and the audio callbacks are
// read by the benchmarks' audio thread. Every thread started for a plug-in
// is metered (ThreadMeter).
class BenchApplication final : public ApplicationBase {
public:
    BenchApplication(TGuiService* guiService, int32_t sampleRate)
        : ApplicationBase(guiService), sampleRate(sampleRate) {}
    BenchApplication(const BenchApplication&) = delete;
    BenchApplication& operator=(const BenchApplication&) = delete;

    // GUI thread: runs posted events as they come until one with this id
    // has run; false if none came in time.
    bool WaitForEvent(int32_t id, std::chrono::milliseconds timeout);
    // GUI thread: runs the events posted so far.
    void DeliverEvents() { events.DeliverAll(); }
    // Waits until every thread started so far has let go of its body.
    void WaitForThreads() { threads.WaitAll(); }

    // The meter of the thread that StartThread made last; none before the first.
    std::shared_ptr<const ThreadMeter> LastThread();

    // SXApplication
    // Any thread: queues and returns at once.
    int32_t PostEvent(SXEventListener* target, int32_t id, int32_t param, intptr_t param2) override;
    int32_t GetSampleRate() override { return sampleRate; }
    int32_t StartThread(int32_t option, HANDLE* out, SXThread* body) override;

private:
    const int32_t sampleRate;
    std::mutex mutex;
    std::shared_ptr<ThreadMeter> lastThread;

    // Destroyed in reverse: the threads are waited for, then the targets of
    // events that never ran are let go, since a thread may still post.
    EventQueue events;
    BodyThreads threads;
};
