// A stream run from start to finish: the GUI thread's start, stop and
// finish, and on the worker thread the announcement, the main loop with
// silence insertion, and the ending with its hand-over from the capture
// buffer.

#include "broadcast/stream_worker.h"

#include <algorithm>
#include <chrono>
#include <utility>

extern "C" {
#include <libavutil/mathematics.h>
}

StreamWorker::~StreamWorker() {
    int32_t running = kRunning;
    if (thread != nullptr && runPhase.compare_exchange_strong(running, kAbandoned)) {
        Stop();
    }
    Finish();
}

int32_t StreamWorker::Start(StreamParams parameters, HANDLE wakeEvent, SXApplication* host, SXThread* body) {
    params = std::move(parameters);
    if (wakeEvent == nullptr) {
        return kStatusNoWakeEvent;
    }
    capture.Open(wakeEvent);
    stopRequested = false;
    runPhase = kRunning;
    host->StartThread(0, &thread, body);
    // Without a thread nothing would ever end the run: no event would come.
    return thread != nullptr ? kStatusOk : kStatusNoWorkerThread;
}

// The worker ends after its current step.
void StreamWorker::Stop() {
    stopRequested = true;
    capture.Refuse();
    capture.Wake();
    WaitForSingleObject(thread, INFINITE);
}

void StreamWorker::Finish() {
    capture.Close();
    if (thread != nullptr) {
        CloseHandle(std::exchange(thread, nullptr));
    }
    streaming = false;
}

int32_t StreamWorker::Run(SXApplication* host, SXEventListener* target) {
    int32_t status = kStatusOk;
    {
        EncoderChain chain;
        chain.sampleCounter = params->firstSampleTime;
        status = SetUp(chain);
        if (status == kStatusOk) {
            chain.streamStart = std::chrono::steady_clock::now();
            streaming = true;
            capture.Admit();
            host->PostEvent(target, kEventStreamStarted, 0, 0);
            status = Stream(chain);
        } else if (status == kStatusConnectionFailed && stopRequested) {
            // The stop ended the attempt: nothing failed.
            status = kStatusOk;
        }
    }
    endStatus = status;
    if (runPhase.exchange(kEnded) != kRunning) {
        return 0;
    }
    return host->PostEvent(target, kEventStreamEnded, status, 0);
}

int32_t StreamWorker::Stream(EncoderChain& chain) {
    bool writeFailed = false;
    do {
        WaitForWake(chain);
        writeFailed = EncodeAvailable(chain);
    } while (!stopRequested && !writeFailed);

    // From here on no capture call stages anything; once the calls already
    // past their flag test have returned, this thread alone uses the buffers.
    stopRequested = true;
    capture.Refuse();
    capture.WaitUntilNoCallInFlight();
    // After a failed write the connection takes nothing more: no drain, no trailer.
    if (writeFailed) {
        return kStatusWriteFailed;
    }
    // The final pass, the drain and the trailer are best effort: the run was
    // stopped on request, whatever they answer.
    EncodeAvailable(chain);
    DrainEncoder(chain);
    av_write_trailer(chain.output.get());
    return kStatusOk;
}

void StreamWorker::WaitForWake(EncoderChain& chain) {
    const auto start = std::chrono::steady_clock::now();
    const DWORD woken = capture.WaitForWake(kWakeTimeoutMs);
    // A failed wait counts as a time-out, and takes as long: silence is
    // never sent faster than real time, and the loop never spins.
    if (woken != WAIT_OBJECT_0 && woken != WAIT_TIMEOUT) {
        const auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        if (waited.count() < kWakeTimeoutMs) {
            Sleep(kWakeTimeoutMs - static_cast<DWORD>(waited.count()));
        }
    }
    const int64_t owed = SilenceOwed(chain);
    if (woken != WAIT_OBJECT_0) {
        AppendSilence(chain, owed);
    }
}

// The account is taken at every pass, so that it sees the input right after
// its calls. Input ahead of the clock (the first call brings audio from
// before the announcement; a host may deliver early) covered time that has
// not come yet: the most it ever ran ahead is kept, not filled again later.
int64_t StreamWorker::SilenceOwed(EncoderChain& chain) {
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - chain.streamStart);
    const int64_t clock = av_rescale(elapsed.count(), params->inputSampleRate, 1000000);
    const int64_t covered = capture.CapturedFrames() + chain.silenceFrames;
    chain.inputLead = std::max(chain.inputLead, covered - clock);
    const int64_t awaited =
        std::min<int64_t>(capture.LargestCall(), int64_t{kLargestAwaitedCallSeconds} * params->inputSampleRate);
    const int64_t uncovered = clock + chain.inputLead - covered - awaited;
    if (uncovered < chain.silenceLength) {
        return 0;
    }
    // Once calls have come, the silence reaches up to a block past the time
    // uncovered: calls that resume after a pause then find a block's room for
    // their jitter again, as before it.
    return (uncovered + std::min<int64_t>(awaited, chain.silenceLength)) / chain.silenceLength;
}

// Silence fills only time that the input has not covered: a host with a
// large buffer calls less often than the wait times out, and its gaps
// between calls, up to the largest call seen, are no pause in its audio.
void StreamWorker::AppendSilence(EncoderChain& chain, int64_t blocks) {
    for (; blocks > 0; --blocks) {
        // Never grows the FIFO, as the capture buffer never does: without
        // room the worker is behind on audio already, and the gap needs no
        // filling.
        if (!capture.Lock().Append(reinterpret_cast<void* const*>(chain.silencePlanes), chain.silenceLength)) {
            return;
        }
        chain.silenceFrames += chain.silenceLength;
    }
}

void StreamWorker::DrainEncoder(EncoderChain& chain) {
    if (avcodec_send_frame(chain.encoder.get(), nullptr) < 0) {
        return;
    }
    while (avcodec_receive_packet(chain.encoder.get(), chain.packet.get()) >= 0) {
        const bool written = av_write_frame(chain.output.get(), chain.packet.get()) >= 0;
        av_packet_unref(chain.packet.get());
        if (!written) {
            return;
        }
    }
}
