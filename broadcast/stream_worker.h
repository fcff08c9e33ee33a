#pragma once

#include <atomic>
#include <cstdint>

#include "broadcast/stream_params.h"
#include "broadcast/worker_status.h"
#include "plugin_sdk/host_application.h"

struct AVAudioFifo;
struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;
struct StreamRun;

// The encoder and transmitter: one call of Run is one stream run. It connects
// to the Icecast server, sets up the MP3 encoder, muxer and resampler, then
// encodes and sends what arrives in inputFifo, with 100 ms of silence for
// every 100 ms in which nothing arrives, until stopRequested is set or a
// packet cannot be written.
//
// Three threads share the fields. The stream control (GUI thread) fills the
// inputs before the run and raises stopRequested. The capture buffer (audio
// thread) appends whole batches of frameSize samples from stagingPlanes to
// inputFifo while streaming is set and stopRequested is not, each append
// under fifoLock, and signals wakeEvent after leaving the lock. Everything
// the capture buffer touches is created before streaming is set and freed
// only after stopRequested has been set and the capture buffer has had
// kCaptureSettleMs to finish a call already under way.
class StreamWorker {
public:
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
    // Planar float stereo at inputSampleRate; guarded by fifoLock.
    AVAudioFifo* inputFifo = nullptr;
    // One input frame, read from inputFifo and handed to the resampler.
    AVFrame* inputFrame = nullptr;
    // The resampler's output buffer in the encoder's sample format, and the
    // samples per channel it holds; it only grows.
    uint8_t** convertPlanes = nullptr;
    int32_t convertCapacity = 0;

    // Inputs that the stream control sets before starting the run.
    int32_t codecId = 0;
    int32_t inputSampleRate = 0;
    int32_t outputSampleRate = 0;
    int32_t bitRateKbps = 0;
    HANDLE threadHandle = nullptr;
    // Auto-reset: signalled after each append to inputFifo and on a stop request.
    HANDLE wakeEvent = nullptr;
    CRITICAL_SECTION fifoLock{};
    StreamParams* streamParams = nullptr;

    // Time stamp of the first encoded sample. The counter is 64-bit so that a
    // station can stay on air for longer than 2^31 samples (about 12 hours).
    int64_t sampleCounterStart = 0;

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
    // Longest an OnAudio call that saw the stream running may still take.
    static constexpr uint32_t kCaptureSettleMs = 200;

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
    int32_t CreateResampler(StreamRun& run);
    int32_t CreateSilence(StreamRun& run);
    int32_t SetUp(StreamRun& run);

    // Streaming and the ending.
    int32_t Stream(StreamRun& run);
    bool EncodeRun(StreamRun& run);
    void AppendSilence(StreamRun& run);
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
};
