#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "broadcast/ffmpeg_owners.h"
#include "broadcast/stream_params.h"
#include "broadcast/worker_status.h"
#include "plugin_sdk/host_application.h"

struct StreamRun;

// The encoder and transmitter: one call of Run is one stream run. It connects
// to the Icecast server, sets up the MP3 encoder, muxer and resampler, then
// encodes and sends what arrives in inputFifo, with silence for the time
// that the input leaves uncovered, in blocks of 100 ms, until stopRequested
// is set or a packet cannot be written.
//
// Three threads share the fields. The stream control (GUI thread) fills the
// inputs and opens the run objects (fifoLock, wakeEvent) before the run,
// raises stopRequested, and closes the run objects when the run has ended.
// The capture buffer (audio thread) appends whole batches of frameSize
// samples from stagingPlanes to inputFifo while streaming is set and
// stopRequested is not, each append under fifoLock, and signals wakeEvent
// after leaving the lock. Everything the capture buffer touches is created
// before streaming is set, and freed only after stopRequested has been set
// and no capture call is left in flight: each call counts itself in
// captureCallsInFlight before its flag test and until it returns, so that a
// call held up for any length of time after its test still finds its buffers.
class StreamWorker {
public:
    StreamWorker() = default;
    // Closes run objects that are still open.
    ~StreamWorker();
    StreamWorker(const StreamWorker&) = delete;
    StreamWorker& operator=(const StreamWorker&) = delete;

    // Set by the worker just before it announces the stream; cleared by the
    // stream control when the run has ended. Read without a lock.
    std::atomic<bool> streaming{false};
    // Set by the stream control to stop, and by the worker when its loop ends.
    std::atomic<bool> stopRequested{false};
    // Frames in stagingPlanes; the capture buffer's own count.
    int32_t stagedFrames = 0;
    // Samples per channel of one encoder frame: the capture buffer's batch.
    int32_t frameSize = 0;
    // Left and right staging planes of frameSize floats each, for the capture buffer.
    float* stagingPlanes[2] = {nullptr, nullptr};
    // Planar float stereo at inputSampleRate; guarded by fifoLock. Made with
    // room for kInputFifoSeconds and never grown by the capture buffer.
    AudioFifoPtr inputFifo;

    // Inputs that the stream control sets before starting the run.
    int32_t codecId = 0;
    int32_t inputSampleRate = 0;
    int32_t outputSampleRate = 0;
    int32_t bitRateKbps = 0;
    HANDLE threadHandle = nullptr;
    // Auto-reset: signalled after each append to inputFifo and on a stop request.
    HANDLE wakeEvent = nullptr;
    CRITICAL_SECTION fifoLock{};
    StreamParamsPtr streamParams;

    // OnAudio calls between their entry and their return.
    std::atomic<int32_t> captureCallsInFlight{0};
    // Batches that the capture buffer dropped whole because inputFifo had no
    // room for them (the worker was held up, by the network or otherwise).
    std::atomic<int64_t> droppedBatches{0};
    // Frames that the capture buffer took in this run, and the most that one
    // OnAudio call brought: the worker's measure of how much of the time
    // elapsed the host's audio has covered. Reset by the worker before it
    // announces the stream, then written by the audio thread only.
    std::atomic<int64_t> capturedFrames{0};
    std::atomic<int32_t> largestCapture{0};
    // Set, after endStatus, right before the run posts kEventStreamEnded: a
    // kEventStreamEnded that comes while it is clear does not belong to the
    // current run. Cleared by the stream control before each start.
    std::atomic<bool> runEnded{false};
    // Cleared when the plug-in is being destroyed with the run still going:
    // nobody is left to take the run's last event, and posting it would hand
    // the host a reference to an object on its way out.
    std::atomic<bool> postEnd{true};
    int32_t endStatus = kStatusOk;

    // Time stamp of the first encoded sample. The counter is 64-bit so that a
    // station can stay on air for longer than 2^31 samples (about 12 hours).
    int64_t sampleCounterStart = 0;

    // The stream control's part (GUI thread). Opens fifoLock and wakeEvent
    // for a run; false when no event could be made, and then nothing is left
    // open.
    bool OpenRunObjects();
    // Deletes fifoLock and closes wakeEvent and threadHandle, each only if it
    // is open; safe to call when none is.
    void CloseRunObjects();

    // The body of the worker thread: runs one stream and posts
    // kEventStreamStarted once connected and kEventStreamEnded with the
    // status as its very last act, both to eventTarget through the host's
    // PostEvent, which must not wait for their handling. Answers what the
    // last PostEvent answered.
    int32_t Run(SXApplication* host, SXEventListener* eventTarget);

    // Resamples, encodes and writes every whole frame in inputFifo. Answers
    // true when writing a packet failed, false when fewer than frameSize
    // samples are left.
    bool EncodeAvailable(SwrContext* resampler, AVCodecContext* encoder, AVAudioFifo* outputFifo, AVPacket* packet,
                         AVFormatContext* output, int64_t& sampleCounter, AVFrame* outputFrame);

    static constexpr uint32_t kWakeTimeoutMs = 100;
    // The most of one OnAudio call that the silence waits for: a host with
    // a large buffer leaves gaps this long between its calls.
    static constexpr int32_t kLargestAwaitedCallSeconds = 1;
    // What inputFifo holds: the network time-out (3 s) during which a write
    // may hold the worker, and a second more.
    static constexpr int32_t kInputFifoSeconds = 4;

private:
    // Set-up, one function per step, each answering a status.
    void ClearStreamFields();
    int32_t OpenConnection(StreamRun& run);
    int32_t CreateOutputContext(StreamRun& run);
    int32_t CreateEncoder(StreamRun& run);
    int32_t OpenEncoder(StreamRun& run);
    int32_t WriteHeader(StreamRun& run);
    int32_t CreateFrames(StreamRun& run);
    int32_t CreatePacket(StreamRun& run);
    int32_t CreateFifos(StreamRun& run);
    int32_t CreateStagingPlanes(StreamRun& run);
    int32_t PrefaultInputFifo(StreamRun& run);
    int32_t CreateResampler(StreamRun& run);
    int32_t CreateSilence(StreamRun& run);
    int32_t SetUp(StreamRun& run);
    // FFmpeg's interrupt callback while the connection is being opened.
    static int InterruptConnection(void* worker);

    // Streaming and the ending.
    int32_t Stream(StreamRun& run);
    void WaitForWake(StreamRun& run);
    bool EncodeRun(StreamRun& run);
    // Blocks of silence for the time since the announcement that neither the
    // input nor silence covers, beyond the gap that the largest call leaves.
    int64_t SilenceOwed(StreamRun& run);
    // Appends up to this many blocks of silence, as long as inputFifo has room.
    void AppendSilence(StreamRun& run, int64_t blocks);
    void WaitForCaptureCalls() const;
    void DrainEncoder(StreamRun& run);
    void Release(StreamRun& run);

    // Steps of EncodeAvailable.
    int32_t InputFifoSize();
    bool ReadInputFrame();
    int32_t ConvertInputFrame(SwrContext* resampler, const AVCodecContext* encoder);
    bool GrowConversionBuffer(int32_t samples, const AVCodecContext* encoder);
    void FreeConversionBuffer();
    bool EncodeWholeFrames(AVCodecContext* encoder, AVAudioFifo* outputFifo, AVPacket* packet, AVFormatContext* output,
                           int64_t& sampleCounter, AVFrame* outputFrame);

    // One input frame, read from inputFifo and handed to the resampler.
    FramePtr inputFrame;
    // The resampler's output buffer in the encoder's sample format (one
    // sample block behind the first plane pointer), and the samples per
    // channel it holds; it only grows.
    uint8_t** convertPlanes = nullptr;
    int32_t convertCapacity = 0;
    // The block behind both staging planes.
    std::unique_ptr<float[]> stagingBlock;
    // True only while avio_open2 runs: a stop then ends the attempt. Worker
    // thread only.
    bool connectionPending = false;
    // Whether fifoLock is initialised.
    bool fifoLockOpen = false;
};
