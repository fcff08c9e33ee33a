// The capture buffer: the plug-in's audio callback, which hands the host's
// audio to the worker in whole batches of frameSize frames.
//
// It runs on the host's audio thread. It allocates nothing (inputFifo has
// all its room from the start, and a batch that does not fit is dropped) and
// makes no system call but entering and leaving fifoLock, held for one FIFO
// append, and signalling wakeEvent after leaving it; it never waits for the
// worker or the network.

#include <algorithm>
#include <atomic>

extern "C" {
#include <libavutil/audio_fifo.h>
}

#include "broadcast/skyflume_plugin.h"

namespace {

// Splits interleaved frames into the two planes. The host's frames and the
// planes never overlap, and saying so lets the compiler copy several frames
// at a time.
void Deinterleave(const float* __restrict frames, int32_t count, float* __restrict left, float* __restrict right) {
    for (int32_t i = 0; i < count; ++i) {
        left[i] = frames[2 * static_cast<size_t>(i)];
        right[i] = frames[2 * static_cast<size_t>(i) + 1];
    }
}

// Counts an OnAudio call as in flight from its entry until it returns,
// whichever way it leaves.
class CaptureCall {
public:
    explicit CaptureCall(std::atomic<int32_t>& inFlight) : inFlight(inFlight) { ++inFlight; }
    ~CaptureCall() { --inFlight; }
    CaptureCall(const CaptureCall&) = delete;
    CaptureCall& operator=(const CaptureCall&) = delete;

private:
    std::atomic<int32_t>& inFlight;
};

}  // namespace

void SkyflumePlugin::OnAudio(void*, const float* samples, int32_t frameCount) {
    // Counted before the flag test: the worker frees nothing that this call
    // may touch until it has returned.
    const CaptureCall call(worker.captureCallsInFlight);
    // Tested once: a stop raised during the call lets it finish.
    if (!worker.streaming || worker.stopRequested) {
        return;
    }
    OnCaptureAdmitted();
    if (frameCount <= 0 || samples == nullptr) {
        return;
    }
    // Only this thread writes either count: no read-modify-write is needed.
    worker.capturedFrames.store(worker.capturedFrames.load(std::memory_order_relaxed) + frameCount,
                                std::memory_order_relaxed);
    if (frameCount > worker.largestCapture.load(std::memory_order_relaxed)) {
        worker.largestCapture.store(frameCount, std::memory_order_relaxed);
    }
    float* const left = worker.stagingPlanes[0];
    float* const right = worker.stagingPlanes[1];
    int32_t staged = worker.stagedFrames;
    for (int32_t done = 0; done < frameCount;) {
        // Full planes go out only when the next frame arrives, so a call never
        // ends with a push and a batch is never split.
        if (staged == worker.frameSize) {
            PushStagedBatch();
            staged = 0;
        }
        const int32_t run = std::min(frameCount - done, worker.frameSize - staged);
        Deinterleave(samples + 2 * static_cast<size_t>(done), run, left + staged, right + staged);
        staged += run;
        done += run;
    }
    worker.stagedFrames = staged;
}

void SkyflumePlugin::PushStagedBatch() {
    EnterCriticalSection(&worker.fifoLock);
    // Growing the FIFO would allocate here: a batch without room is dropped
    // whole and counted, and the stream goes on with the next one.
    if (av_audio_fifo_space(worker.inputFifo.get()) >= worker.frameSize) {
        av_audio_fifo_write(worker.inputFifo.get(), reinterpret_cast<void**>(worker.stagingPlanes), worker.frameSize);
    } else {
        worker.droppedBatches.fetch_add(1, std::memory_order_relaxed);
    }
    LeaveCriticalSection(&worker.fifoLock);
    SetEvent(worker.wakeEvent);
}
