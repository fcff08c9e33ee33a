// A stream run from announcement to release: the main loop with silence
// insertion, the ending and the one release path.

#include "broadcast/stream_worker.h"

#include "broadcast/stream_run.h"

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
    return host->PostEvent(eventTarget, kEventStreamEnded, status, 0);
}

int32_t StreamWorker::Stream(StreamRun& run) {
    bool writeFailed = false;
    do {
        // A failed wait counts as a time-out.
        if (WaitForSingleObject(wakeEvent, kWakeTimeoutMs) != WAIT_OBJECT_0) {
            AppendSilence(run);
        }
        writeFailed = EncodeRun(run);
    } while (!stopRequested && !writeFailed);

    // From here on the capture buffer stages nothing; the pause lets a call
    // already past its flag test finish before its buffers go.
    stopRequested = true;
    Sleep(kCaptureSettleMs);
    // After a failed write the connection takes nothing more: no drain, no trailer.
    if (writeFailed) {
        return kStatusWriteFailed;
    }
    // The final pass, the drain and the trailer are best effort: the run was
    // stopped on request, whatever they answer.
    EncodeRun(run);
    DrainEncoder(run);
    av_write_trailer(run.output);
    return kStatusOk;
}

bool StreamWorker::EncodeRun(StreamRun& run) {
    return EncodeAvailable(run.resampler, run.encoder, run.outputFifo, run.packet, run.output, run.sampleCounter,
                           run.outputFrame);
}

void StreamWorker::AppendSilence(StreamRun& run) {
    // A FIFO that cannot grow loses this silence only, as it would lose a
    // batch of the capture buffer.
    EnterCriticalSection(&fifoLock);
    av_audio_fifo_write(inputFifo, reinterpret_cast<void**>(run.silencePlanes), run.silenceLength);
    LeaveCriticalSection(&fifoLock);
}

void StreamWorker::DrainEncoder(StreamRun& run) {
    if (avcodec_send_frame(run.encoder, nullptr) < 0) {
        return;
    }
    while (avcodec_receive_packet(run.encoder, run.packet) >= 0) {
        const bool written = av_write_frame(run.output, run.packet) >= 0;
        av_packet_unref(run.packet);
        if (!written) {
            return;
        }
    }
}

void StreamWorker::Release(StreamRun& run) {
    av_packet_free(&run.packet);
    av_frame_free(&inputFrame);
    av_frame_free(&run.outputFrame);
    av_audio_fifo_free(inputFifo);
    inputFifo = nullptr;
    av_audio_fifo_free(run.outputFifo);
    run.outputFifo = nullptr;
    for (float*& plane : stagingPlanes) {
        delete[] plane;
        plane = nullptr;
    }
    for (float*& plane : run.silencePlanes) {
        delete[] plane;
        plane = nullptr;
    }
    FreeConversionBuffer();
    av_dict_free(&run.options);
    avcodec_free_context(&run.encoder);
    if (run.output != nullptr) {
        avio_closep(&run.output->pb);
        avformat_free_context(run.output);
        run.output = nullptr;
    }
    // Only when the output context was never made to take it over.
    avio_closep(&run.connection);
    swr_free(&run.resampler);
}
