#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "broadcast/ffmpeg_owners.h"
#include "platform/windows_api.h"

// The one buffer shared with the host's audio thread: it takes what OnAudio
// gets, in whole batches of one encoder frame, and hands them to the worker
// through a FIFO of planar float stereo.
//
// One producer, the audio thread, with one call: Push. One consumer, the
// worker thread, with the rest. The GUI thread opens it before a run's
// thread starts and closes it after that thread has ended.
//
// What Push may do: it allocates nothing (the FIFO gets all its room in
// Allocate and a batch without room is dropped whole and counted), and makes
// no system call but entering and leaving the lock, once per batch, and
// signalling the wake event after leaving it. It never waits for encoding,
// resampling or the network. It does wait for the lock while the worker
// holds it: the worker holds it for one FIFO operation at a time (a level
// test, one batch read, one silence append), never across another call, and
// on Linux the lock passes the waiting thread's priority to its holder.
class CaptureBuffer {
public:
    CaptureBuffer() = default;
    ~CaptureBuffer() { Close(); }
    CaptureBuffer(const CaptureBuffer&) = delete;
    CaptureBuffer& operator=(const CaptureBuffer&) = delete;

    // GUI thread, before the run's thread starts: opens the lock and takes
    // the run's auto-reset wake event as its own. No call is admitted yet.
    void Open(HANDLE event);
    // GUI thread, once no run uses it: frees the FIFO and the staging planes,
    // deletes the lock and closes the event; safe when none is open.
    void Close();

    // Audio thread: stages interleaved stereo frames, and appends each full
    // batch once the frame after it arrives, so that no batch is ever split;
    // then wakes the worker. Does nothing unless admitted.
    void Push(const float* samples, int32_t frameCount);

    // Worker thread, set-up: the FIFO with room for at least capacityFrames
    // in whole batches, and the staging planes, all of their pages touched so
    // that the audio thread never waits for the kernel to supply one. The
    // counts start again at 0. False when memory ran out.
    bool Allocate(int32_t batchFrames, int32_t capacityFrames);
    // Worker thread: admits calls from now on, unless Refuse came first.
    void Admit();
    // Any thread: admits no further call; a call already past its test goes on.
    void Refuse();
    // Worker thread: returns once no Push call is left in flight.
    void WaitUntilNoCallInFlight() const;
    // The worker sleeps on the event; it is signalled after each append and by a stop.
    uint32_t WaitForWake(uint32_t timeoutMs) const { return WaitForSingleObject(event, timeoutMs); }
    void Wake() const { SetEvent(event); }
    // Push calls between their entry and their return.
    int32_t CallsInFlight() const { return callsInFlight; }

    // Frames that Push took since Allocate, and the most that one call brought:
    // how much of the time elapsed the host's audio has covered.
    int64_t CapturedFrames() const { return capturedFrames.load(std::memory_order_relaxed); }
    int32_t LargestCall() const { return largestCall.load(std::memory_order_relaxed); }
    // Batches dropped whole because the FIFO had no room for them.
    int64_t DroppedBatches() const { return droppedBatches.load(std::memory_order_relaxed); }

    // The FIFO while its lock is held, from construction to destruction.
    class Locked {
    public:
        explicit Locked(CaptureBuffer& buffer) : buffer(buffer) { EnterCriticalSection(&buffer.lock); }
        ~Locked() { LeaveCriticalSection(&buffer.lock); }
        Locked(const Locked&) = delete;
        Locked& operator=(const Locked&) = delete;

        // Frames waiting in the FIFO.
        int32_t Waiting() const;
        // Moves the oldest batch into two planes of batchFrames floats each;
        // false when less than a batch is waiting.
        bool TakeBatch(void* const* planes);
        // Appends frames from two planes when the FIFO has room for all of
        // them; it never grows, as Push never grows it.
        bool Append(void* const* planes, int32_t frames);

    private:
        CaptureBuffer& buffer;
    };
    // The worker's FIFO operations, each under the lock: Lock().Waiting().
    Locked Lock() { return Locked(*this); }

private:
    enum Admission : int32_t { kNotYet, kAdmitted, kRefused };
    void PushStagedBatch();

    CRITICAL_SECTION lock{};
    bool lockOpen = false;
    HANDLE event = nullptr;
    std::atomic<int32_t> admission{kNotYet};
    std::atomic<int32_t> callsInFlight{0};

    // Written before Admit and read by Push after it; the staged count is Push's alone.
    int32_t batchFrames = 0;
    AudioFifoPtr fifo;
    std::unique_ptr<float[]> stagingBlock;
    float* stagingPlanes[2] = {nullptr, nullptr};
    int32_t stagedFrames = 0;

    std::atomic<int64_t> capturedFrames{0};
    std::atomic<int32_t> largestCall{0};
    std::atomic<int64_t> droppedBatches{0};
};
