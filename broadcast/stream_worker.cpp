// A stream run from announcement to release: the main loop with silence
// insertion, the ending with its hand-over from the capture buffer, and the
// one release path; and the run objects that the stream control opens and
// closes around a run.

#include "broadcast/stream_worker.h"

#include <algorithm>
#include <chrono>

#include "broadcast/stream_run.h"

extern "C" {
#include <libavutil/mathematics.h>
}

namespace {

// How often the ending looks whether the last capture call has returned.
constexpr DWORD kCapturePollMs = 1;

}  // namespace

StreamWorker::~StreamWorker() {
    CloseRunObjects();
}

bool StreamWorker::OpenRunObjects() {
    InitializeCriticalSection(&fifoLock);
    fifoLockOpen = true;
    wakeEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (wakeEvent == nullptr) {
        CloseRunObjects();
        return false;
    }
    return true;
}

void StreamWorker::CloseRunObjects() {
    if (fifoLockOpen) {
        DeleteCriticalSection(&fifoLock);
        fifoLockOpen = false;
    }
    if (wakeEvent != nullptr) {
        CloseHandle(wakeEvent);
        wakeEvent = nullptr;
    }
    if (threadHandle != nullptr) {
        CloseHandle(threadHandle);
        threadHandle = nullptr;
    }
}

int32_t StreamWorker::Run(SXApplication* host, SXEventListener* eventTarget) {
    StreamRun run;
    run.sampleCounter = sampleCounterStart;
    int32_t status = SetUp(run);
    if (status == kStatusOk) {
        run.streamStart = std::chrono::steady_clock::now();
        // Publishes frameSize, stagingPlanes and inputFifo to the capture buffer.
        streaming = true;
        host->PostEvent(eventTarget, kEventStreamStarted, 0, 0);
        status = Stream(run);
    } else if (status == kStatusConnectionFailed && stopRequested) {
        // The stop ended the attempt: nothing failed.
        status = kStatusOk;
    }
    Release(run);
    endStatus = status;
    runEnded = true;
    return postEnd ? host->PostEvent(eventTarget, kEventStreamEnded, status, 0) : 0;
}

int32_t StreamWorker::Stream(StreamRun& run) {
    bool writeFailed = false;
    do {
        WaitForWake(run);
        writeFailed = EncodeRun(run);
    } while (!stopRequested && !writeFailed);

    // From here on no capture call stages anything; once the calls already
    // past their flag test have returned, this thread alone uses the buffers.
    stopRequested = true;
    WaitForCaptureCalls();
    // After a failed write the connection takes nothing more: no drain, no trailer.
    if (writeFailed) {
        return kStatusWriteFailed;
    }
    // The final pass, the drain and the trailer are best effort: the run was
    // stopped on request, whatever they answer.
    EncodeRun(run);
    DrainEncoder(run);
    av_write_trailer(run.output.get());
    return kStatusOk;
}

void StreamWorker::WaitForWake(StreamRun& run) {
    const auto start = std::chrono::steady_clock::now();
    const DWORD woken = WaitForSingleObject(wakeEvent, kWakeTimeoutMs);
    // A failed wait counts as a time-out, and takes as long: silence is
    // never sent faster than real time, and the loop never spins.
    if (woken != WAIT_OBJECT_0 && woken != WAIT_TIMEOUT) {
        const auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        if (waited.count() < kWakeTimeoutMs) {
            Sleep(kWakeTimeoutMs - static_cast<DWORD>(waited.count()));
        }
    }
    const int64_t owed = SilenceOwed(run);
    if (woken != WAIT_OBJECT_0) {
        AppendSilence(run, owed);
    }
}

// The account is taken at every pass, so that it sees the input right after
// its calls. Input ahead of the clock (the first call brings audio from
// before the announcement; a host may deliver early) covered time that has
// not come yet: the most it ever ran ahead is kept, not filled again later.
int64_t StreamWorker::SilenceOwed(StreamRun& run) {
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - run.streamStart);
    const int64_t clock = av_rescale(elapsed.count(), inputSampleRate, 1000000);
    const int64_t covered = capturedFrames + run.silenceFrames;
    run.inputLead = std::max(run.inputLead, covered - clock);
    const int64_t awaited = std::min<int64_t>(largestCapture, int64_t{kLargestAwaitedCallSeconds} * inputSampleRate);
    const int64_t uncovered = clock + run.inputLead - covered - awaited;
    if (uncovered < run.silenceLength) {
        return 0;
    }
    // Once calls have come, the silence reaches up to a block past the time
    // uncovered: calls that resume after a pause then find a block's room for
    // their jitter again, as before it.
    return (uncovered + std::min<int64_t>(awaited, run.silenceLength)) / run.silenceLength;
}

bool StreamWorker::EncodeRun(StreamRun& run) {
    return EncodeAvailable(run.resampler.get(), run.encoder.get(), run.outputFifo.get(), run.packet.get(),
                           run.output.get(), run.sampleCounter, run.outputFrame.get());
}

// Silence fills only time that the input has not covered: a host with a
// large buffer calls less often than the wait times out, and its gaps
// between calls, up to the largest call seen, are no pause in its audio.
void StreamWorker::AppendSilence(StreamRun& run, int64_t blocks) {
    for (; blocks > 0; --blocks) {
        // Never grows the FIFO, as the capture buffer never does: without
        // room the worker is behind on audio already, and the gap needs no
        // filling.
        EnterCriticalSection(&fifoLock);
        const bool appended = av_audio_fifo_space(inputFifo.get()) >= run.silenceLength &&
                              av_audio_fifo_write(inputFifo.get(), reinterpret_cast<void**>(run.silencePlanes),
                                                  run.silenceLength) == run.silenceLength;
        LeaveCriticalSection(&fifoLock);
        if (!appended) {
            return;
        }
        run.silenceFrames += run.silenceLength;
    }
}

// The audio thread never waits for the worker, so it has nothing to signal
// the worker with: the worker polls, briefly, until the last call has left.
void StreamWorker::WaitForCaptureCalls() const {
    while (captureCallsInFlight != 0) {
        Sleep(kCapturePollMs);
    }
}

void StreamWorker::DrainEncoder(StreamRun& run) {
    if (avcodec_send_frame(run.encoder.get(), nullptr) < 0) {
        return;
    }
    while (avcodec_receive_packet(run.encoder.get(), run.packet.get()) >= 0) {
        const bool written = av_write_frame(run.output.get(), run.packet.get()) >= 0;
        av_packet_unref(run.packet.get());
        if (!written) {
            return;
        }
    }
}

// Everything goes in this order, each item only if it exists; what is left
// after a failed set-up step goes the same way.
void StreamWorker::Release(StreamRun& run) {
    run.packet.reset();
    inputFrame.reset();
    run.outputFrame.reset();
    inputFifo.reset();
    run.outputFifo.reset();
    stagingPlanes[0] = nullptr;
    stagingPlanes[1] = nullptr;
    stagingBlock.reset();
    run.silence.reset();
    FreeConversionBuffer();
    run.encoder.reset();
    run.output.reset();
    // Only when the output context was never made to take it over.
    run.connection.reset();
    run.resampler.reset();
}
