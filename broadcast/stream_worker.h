#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "broadcast/capture_buffer.h"
#include "broadcast/encoder_chain.h"
#include "broadcast/stream_params.h"
#include "broadcast/worker_status.h"
#include "plugin_sdk/host_application.h"

// One stream run and everything it owns: its parameters, the capture buffer
// with the run's lock and wake event, the worker thread's handle, and, while
// the worker thread runs, the encoder chain. Each is freed by its owner.
//
// The GUI thread starts, stops and finishes a run and asks how it stands.
// The worker thread runs Run: it connects to the Icecast server, sets up the
// MP3 encoder, muxer and resampler, then encodes and sends what the capture
// buffer holds, with silence for the time that the input leaves uncovered,
// until a stop or a packet that cannot be written. The audio thread only
// pushes into Capture().
class StreamWorker {
public:
    StreamWorker() = default;
    // A run still going is stopped first; its end is not posted, since
    // nobody is left to take it. A run that has ended is only closed: the
    // last reference may be its own thread's, which must not wait for itself.
    ~StreamWorker();
    StreamWorker(const StreamWorker&) = delete;
    StreamWorker& operator=(const StreamWorker&) = delete;

    // GUI thread. Keeps the parameters, opens the capture buffer on the
    // run's wake event (auto-reset; none when it could not be made) and has
    // the host start the worker thread with body, whose Run calls Run here.
    // Answers kStatusOk, or why no thread runs: then Finish is due.
    int32_t Start(StreamParams params, HANDLE wakeEvent, SXApplication* host, SXThread* body);
    // GUI thread. Admits no further capture call, wakes the worker and waits,
    // without limit, until its thread has ended; the run's last event is
    // handled after that.
    void Stop();
    // GUI thread, once the thread has ended or never started: closes the
    // capture buffer and the thread handle. The parameters stay.
    void Finish();
    // GUI thread: drops the parameters of the last run.
    void ForgetParameters() { params.reset(); }

    // A run's thread exists (connecting, streaming or ending) until Finish.
    bool Exists() const { return thread != nullptr; }
    // Set by the worker just before it announces the stream; cleared by Finish.
    bool Streaming() const { return streaming; }
    // Set by Stop, and by the worker when its loop ends.
    bool Stopping() const { return stopRequested; }
    // Set, after EndStatus, right before the run posts kEventStreamEnded: a
    // kEventStreamEnded that comes while it is clear is not this run's.
    bool Ended() const { return runPhase == kEnded; }
    int32_t EndStatus() const { return endStatus; }
    // The current or last run's; none before the first start.
    const StreamParams* Parameters() const { return params ? &*params : nullptr; }
    CaptureBuffer& Capture() { return capture; }

    // Worker thread: runs one stream and posts kEventStreamStarted once
    // connected and kEventStreamEnded with the status as its very last act,
    // both to target through the host's PostEvent, which must not wait for
    // their handling. Answers what the last PostEvent answered.
    int32_t Run(SXApplication* host, SXEventListener* target);

    static constexpr uint32_t kWakeTimeoutMs = 100;
    // The most of one OnAudio call that the silence waits for: a host with
    // a large buffer leaves gaps this long between its calls.
    static constexpr int32_t kLargestAwaitedCallSeconds = 1;
    // What the capture buffer holds: the network time-out (3 s) during which
    // a write may hold the worker, and a second more.
    static constexpr int32_t kInputFifoSeconds = 4;

private:
    // Set-up, one function per step, each answering a status.
    int32_t OpenConnection(EncoderChain& chain);
    int32_t CreateOutputContext(EncoderChain& chain);
    int32_t CreateEncoder(EncoderChain& chain);
    int32_t OpenEncoder(EncoderChain& chain);
    int32_t WriteHeader(EncoderChain& chain);
    int32_t CreateFrames(EncoderChain& chain);
    int32_t CreatePacket(EncoderChain& chain);
    int32_t CreateFifos(EncoderChain& chain);
    int32_t CreateResampler(EncoderChain& chain);
    int32_t CreateSilence(EncoderChain& chain);
    int32_t SetUp(EncoderChain& chain);
    // FFmpeg's interrupt callback while the connection is being opened.
    static int InterruptConnection(void* worker);

    // Streaming and the ending.
    int32_t Stream(EncoderChain& chain);
    void WaitForWake(EncoderChain& chain);
    // Blocks of silence for the time since the announcement that neither the
    // input nor silence covers, beyond the gap that the largest call leaves.
    int64_t SilenceOwed(EncoderChain& chain);
    // Appends up to this many blocks of silence, as long as the capture
    // buffer has room.
    void AppendSilence(EncoderChain& chain, int64_t blocks);
    void DrainEncoder(EncoderChain& chain);

    // Resamples, encodes and writes every whole batch in the capture buffer.
    // Answers true when writing a packet failed, false when less than a
    // batch is left.
    bool EncodeAvailable(EncoderChain& chain);
    // Answers the samples per channel now in the conversion planes; 0 or
    // less when the batch yields nothing.
    int32_t ConvertInputFrame(EncoderChain& chain);
    bool GrowConversionBuffer(EncoderChain& chain, int32_t samples);
    bool EncodeWholeFrames(EncoderChain& chain);

    std::optional<StreamParams> params;
    CaptureBuffer capture;
    HANDLE thread = nullptr;
    std::atomic<bool> streaming{false};
    std::atomic<bool> stopRequested{false};
    // Whichever of the worker's ending and its owner's going comes first
    // decides whether the run posts its last event; the worker reads nothing
    // of this object after it has changed the phase.
    enum RunPhase : int32_t { kRunning, kEnded, kAbandoned };
    std::atomic<int32_t> runPhase{kRunning};
    int32_t endStatus = kStatusOk;
    // True only while avio_open2 runs: a stop then ends the attempt. Worker
    // thread only.
    bool connectionPending = false;
};
