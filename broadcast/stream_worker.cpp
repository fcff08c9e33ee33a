// A stream run from announcement to release: the main loop with silence
// insertion, the ending with its hand-over from the capture buffer, and the
// one release path; and the run objects that the stream control opens and
// closes around a run.

#include "broadcast/stream_worker.h"

#include <chrono>

#include "broadcast/stream_run.h"

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
        // Publishes frameSize, stagingPlanes and inputFifo to the capture buffer.
        streaming = true;
        host->PostEvent(eventTarget, kEventStreamStarted, 0, 0);
        status = Stream(run);
    }
    Release(run);
    endStatus = status;
    runEnded = true;
    return host->PostEvent(eventTarget, kEventStreamEnded, status, 0);
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
    if (woken == WAIT_OBJECT_0) {
        return;
    }
    // A failed wait counts as a time-out, and takes as long: silence is
    // never sent faster than real time, and the loop never spins.
    if (woken != WAIT_TIMEOUT) {
        const auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        if (waited.count() < kWakeTimeoutMs) {
            Sleep(kWakeTimeoutMs - static_cast<DWORD>(waited.count()));
        }
    }
    AppendSilence(run);
}

bool StreamWorker::EncodeRun(StreamRun& run) {
    return EncodeAvailable(run.resampler.get(), run.encoder.get(), run.outputFifo.get(), run.packet.get(),
                           run.output.get(), run.sampleCounter, run.outputFrame.get());
}

void StreamWorker::AppendSilence(StreamRun& run) {
    // Never grows the FIFO, as the capture buffer never does: without room
    // the worker is behind on audio already, and the gap needs no filling.
    EnterCriticalSection(&fifoLock);
    if (av_audio_fifo_space(inputFifo.get()) >= run.silenceLength) {
        av_audio_fifo_write(inputFifo.get(), reinterpret_cast<void**>(run.silencePlanes), run.silenceLength);
    }
    LeaveCriticalSection(&fifoLock);
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
