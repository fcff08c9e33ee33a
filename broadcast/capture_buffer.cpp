#include "broadcast/capture_buffer.h"

#include <algorithm>
#include <new>

namespace {

// How often the ending looks whether the last call has returned: the audio
// thread never waits for the worker, so it has nothing to signal it with.
constexpr DWORD kCallPollMs = 1;

// Splits interleaved frames into the two planes. The host's frames and the
// planes never overlap, and saying so lets the compiler copy several frames
// at a time.
void Deinterleave(const float* __restrict frames, int32_t count, float* __restrict left, float* __restrict right) {
    for (int32_t i = 0; i < count; ++i) {
        left[i] = frames[2 * static_cast<size_t>(i)];
        right[i] = frames[2 * static_cast<size_t>(i) + 1];
    }
}

// Counts a Push call as in flight from its entry until it returns, whichever
// way it leaves.
class CallInFlight {
public:
    explicit CallInFlight(std::atomic<int32_t>& count) : count(count) { ++count; }
    ~CallInFlight() { --count; }
    CallInFlight(const CallInFlight&) = delete;
    CallInFlight& operator=(const CallInFlight&) = delete;

private:
    std::atomic<int32_t>& count;
};

}  // namespace

void CaptureBuffer::Open(HANDLE wakeEvent) {
    InitializeCriticalSection(&lock);
    lockOpen = true;
    event = wakeEvent;
    admission = kNotYet;
}

void CaptureBuffer::Close() {
    admission = kRefused;
    fifo.reset();
    stagingPlanes[0] = stagingPlanes[1] = nullptr;
    stagingBlock.reset();
    if (lockOpen) {
        DeleteCriticalSection(&lock);
        lockOpen = false;
    }
    if (event != nullptr) {
        CloseHandle(event);
        event = nullptr;
    }
}

void CaptureBuffer::Push(const float* samples, int32_t frameCount) {
    // Counted before the admission test: nothing this call may touch is freed
    // until it has returned.
    const CallInFlight call(callsInFlight);
    // Tested once: a refusal during the call lets it finish.
    if (admission != kAdmitted || frameCount <= 0 || samples == nullptr) {
        return;
    }
    // Only this thread writes either count: no read-modify-write is needed.
    capturedFrames.store(capturedFrames.load(std::memory_order_relaxed) + frameCount, std::memory_order_relaxed);
    if (frameCount > largestCall.load(std::memory_order_relaxed)) {
        largestCall.store(frameCount, std::memory_order_relaxed);
    }
    int32_t staged = stagedFrames;
    for (int32_t done = 0; done < frameCount;) {
        // Full planes go out only when the next frame arrives, so a call never
        // ends with a push and a batch is never split.
        if (staged == batchFrames) {
            PushStagedBatch();
            staged = 0;
        }
        const int32_t run = std::min(frameCount - done, batchFrames - staged);
        Deinterleave(samples + 2 * static_cast<size_t>(done), run, stagingPlanes[0] + staged,
                     stagingPlanes[1] + staged);
        staged += run;
        done += run;
    }
    stagedFrames = staged;
}

void CaptureBuffer::PushStagedBatch() {
    // Growing the FIFO would allocate here: a batch without room is dropped
    // whole and counted, and the stream goes on with the next one.
    if (!Lock().Append(reinterpret_cast<void* const*>(stagingPlanes), batchFrames)) {
        droppedBatches.fetch_add(1, std::memory_order_relaxed);
    }
    Wake();
}

bool CaptureBuffer::Allocate(int32_t batch, int32_t capacityFrames) {
    batchFrames = batch;
    stagedFrames = 0;
    capturedFrames = 0;
    largestCall = 0;
    const int64_t batches = (int64_t{capacityFrames} + batch - 1) / batch;
    fifo.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, 2, static_cast<int>(batches * batch)));
    // Zeroed, so that its pages are in memory before the audio thread writes them.
    stagingBlock.reset(new (std::nothrow) float[2 * static_cast<size_t>(batch)]());
    if (!fifo || !stagingBlock) {
        return false;
    }
    stagingPlanes[0] = stagingBlock.get();
    stagingPlanes[1] = stagingBlock.get() + batch;
    // Filled once and emptied again, for the same reason.
    while (Lock().Append(reinterpret_cast<void* const*>(stagingPlanes), batch)) {
    }
    av_audio_fifo_reset(fifo.get());
    return true;
}

void CaptureBuffer::Admit() {
    int32_t expected = kNotYet;
    admission.compare_exchange_strong(expected, kAdmitted);
}

void CaptureBuffer::Refuse() {
    admission = kRefused;
}

void CaptureBuffer::WaitUntilNoCallInFlight() const {
    while (callsInFlight != 0) {
        Sleep(kCallPollMs);
    }
}

int32_t CaptureBuffer::Locked::Waiting() const {
    return av_audio_fifo_size(buffer.fifo.get());
}

bool CaptureBuffer::Locked::TakeBatch(void* const* planes) {
    return av_audio_fifo_read(buffer.fifo.get(), const_cast<void**>(planes), buffer.batchFrames) == buffer.batchFrames;
}

bool CaptureBuffer::Locked::Append(void* const* planes, int32_t frames) {
    return av_audio_fifo_space(buffer.fifo.get()) >= frames &&
           av_audio_fifo_write(buffer.fifo.get(), const_cast<void**>(planes), frames) == frames;
}
