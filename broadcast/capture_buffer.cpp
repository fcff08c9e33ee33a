// The capture buffer: the plug-in's audio callback, which hands the host's
// audio to the worker in whole batches of frameSize frames.
//
// It runs on the host's audio thread. It allocates nothing and makes no
// system call but entering and leaving fifoLock, held for one FIFO append,
// and signalling wakeEvent after leaving it; it never waits for the worker
// or the network.

extern "C" {
#include <libavutil/audio_fifo.h>
}

#include "broadcast/skyflume_plugin.h"

void SkyflumePlugin::OnAudio(void*, const float* samples, int32_t frameCount) {
    // Tested once: a stop raised during the call lets it finish, and the
    // worker waits long enough before it frees what the call touches.
    if (!worker.streaming || worker.stopRequested) {
        return;
    }
    if (frameCount <= 0) {
        return;
    }
    float* const left = worker.stagingPlanes[0];
    float* const right = worker.stagingPlanes[1];
    int32_t staged = worker.stagedFrames;
    for (int32_t i = 0; i < frameCount; ++i) {
        // Full planes go out only when the next frame arrives, so a call never
        // ends with a push and a batch is never split.
        if (staged == worker.frameSize) {
            EnterCriticalSection(&worker.fifoLock);
            // A failed append loses this batch; staging goes on.
            av_audio_fifo_write(worker.inputFifo, reinterpret_cast<void**>(worker.stagingPlanes), worker.frameSize);
            LeaveCriticalSection(&worker.fifoLock);
            SetEvent(worker.wakeEvent);
            staged = 0;
        }
        left[staged] = samples[2 * static_cast<size_t>(i)];
        right[staged] = samples[2 * static_cast<size_t>(i) + 1];
        ++staged;
    }
    worker.stagedFrames = staged;
}
