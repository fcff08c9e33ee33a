// The capture buffer: whole batches of frameSize frames reach the worker's
// FIFO, each pushed when the frame after it arrives, left and right apart,
// and only while a stream runs that is not stopping.

extern "C" {
#include <libavutil/audio_fifo.h>
}

#include <vector>

#include "stream/stream_control_fixture.h"

namespace skyflume::test {
namespace {

constexpr int32_t kFrameSize = 1152;
// The room of the test's FIFO, in batches.
constexpr int32_t kFifoBatches = 4;
// Right samples are told from left ones by this offset.
constexpr float kRightOffset = 100000.0f;

// Interleaved frames numbered from `first`: left n, right n + kRightOffset.
std::vector<float> NumberedFrames(int32_t first, int32_t count) {
    std::vector<float> samples;
    for (int32_t n = first; n < first + count; ++n) {
        samples.push_back(static_cast<float>(n));
        samples.push_back(static_cast<float>(n) + kRightOffset);
    }
    return samples;
}

// The worker's side of the capture buffer, set up by hand as the worker and
// the stream control would before streaming is set; no worker runs.
class CaptureBufferTest : public ::testing::Test {
protected:
    CaptureBufferTest() {
        worker.frameSize = kFrameSize;
        worker.stagingPlanes[0] = staging[0].data();
        worker.stagingPlanes[1] = staging[1].data();
        worker.inputFifo.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, 2, kFifoBatches * kFrameSize));
        EXPECT_TRUE(worker.OpenRunObjects());
        worker.stagedFrames = 0;
        worker.stopRequested = false;
        worker.streaming = true;
    }
    // The object takes the FIFO, the lock and the event along.
    ~CaptureBufferTest() override {
        worker.streaming = false;
        object->Release();
        EXPECT_EQ(destroyed, 1);
    }

    void Feed(const std::vector<float>& samples) {
        object->OnAudio(nullptr, samples.data(), static_cast<int32_t>(samples.size() / 2));
    }
    int32_t FifoSize() { return av_audio_fifo_size(worker.inputFifo.get()); }
    // Takes everything out of the FIFO, left and right.
    std::vector<std::vector<float>> DrainFifo() {
        const int32_t size = FifoSize();
        std::vector<std::vector<float>> planes(2, std::vector<float>(static_cast<size_t>(size)));
        void* data[2] = {planes[0].data(), planes[1].data()};
        EXPECT_EQ(av_audio_fifo_read(worker.inputFifo.get(), data, size), size);
        return planes;
    }
    // Whether the worker would wake, consuming the signal.
    bool WakeSignalled() { return WaitForSingleObject(worker.wakeEvent, 0) == WAIT_OBJECT_0; }
    // Nothing reached the FIFO or woke the worker; `staged` frames wait.
    void ExpectOnlyStaged(int32_t staged) {
        EXPECT_EQ(FifoSize(), 0);
        EXPECT_FALSE(WakeSignalled());
        EXPECT_EQ(worker.stagedFrames, staged);
    }
    void ExpectFramesInFifo(int32_t first, int32_t count) {
        const auto planes = DrainFifo();
        ASSERT_EQ(planes[0].size(), static_cast<size_t>(count));
        for (int32_t i = 0; i < count; ++i) {
            ASSERT_EQ(planes[0][i], static_cast<float>(first + i)) << "left, frame " << i;
            ASSERT_EQ(planes[1][i], static_cast<float>(first + i) + kRightOffset) << "right, frame " << i;
        }
    }

    std::vector<float> staging[2] = {std::vector<float>(kFrameSize), std::vector<float>(kFrameSize)};
    int destroyed = 0;
    PluginUnderTest* object = new PluginUnderTest(destroyed);
    StreamWorker& worker = object->worker;
};

TEST_F(CaptureBufferTest, OneWholeBatchIsPushedOnlyWhenTheNextCallsFirstFrameArrives) {
    Feed(NumberedFrames(0, kFrameSize));
    ExpectOnlyStaged(kFrameSize);

    Feed(NumberedFrames(kFrameSize, 1));
    EXPECT_TRUE(WakeSignalled());
    ExpectFramesInFifo(0, kFrameSize);
    // The new frame opens the next batch.
    EXPECT_EQ(worker.stagedFrames, 1);
    EXPECT_EQ(worker.stagingPlanes[0][0], static_cast<float>(kFrameSize));
    EXPECT_EQ(worker.stagingPlanes[1][0], static_cast<float>(kFrameSize) + kRightOffset);
}

TEST_F(CaptureBufferTest, ACallOfMoreThanTwoBatchesPushesTwoAndKeepsTheRestStaged) {
    Feed(NumberedFrames(0, 2 * kFrameSize + 100));
    EXPECT_TRUE(WakeSignalled());
    ExpectFramesInFifo(0, 2 * kFrameSize);
    EXPECT_EQ(worker.stagedFrames, 100);
    EXPECT_EQ(worker.stagingPlanes[0][99], static_cast<float>(2 * kFrameSize + 99));
}

TEST_F(CaptureBufferTest, HostBlocksThatSplitBatchesArriveWholeAndInOrderWithLeftAndRightApart) {
    constexpr int32_t kBlock = 441;  // 10 ms at 44100 Hz
    for (int32_t call = 0; call < 10; ++call) {
        Feed(NumberedFrames(call * kBlock, kBlock));
    }
    // 4410 frames: pushes at frames 1152, 2304 and 3456.
    ExpectFramesInFifo(0, 3 * kFrameSize);
    EXPECT_EQ(worker.stagedFrames, 10 * kBlock - 3 * kFrameSize);
}

// Growing the FIFO would allocate on the audio thread.
TEST_F(CaptureBufferTest, ABatchWithoutRoomIsDroppedWholeAndCountedAndTheFifoNeverGrows) {
    // Fills the FIFO; the next batch finds no room and goes.
    Feed(NumberedFrames(0, (kFifoBatches + 1) * kFrameSize + 1));
    EXPECT_EQ(FifoSize(), kFifoBatches * kFrameSize);
    EXPECT_EQ(av_audio_fifo_space(worker.inputFifo.get()), 0);
    EXPECT_EQ(worker.droppedBatches, 1);
    ExpectFramesInFifo(0, kFifoBatches * kFrameSize);

    // Once the worker has read, the next batch fits again, whole.
    const int32_t next = (kFifoBatches + 1) * kFrameSize + 1;
    Feed(NumberedFrames(next, kFrameSize));
    EXPECT_EQ(worker.droppedBatches, 1);
    ASSERT_EQ(FifoSize(), kFrameSize);
    EXPECT_EQ(av_audio_fifo_space(worker.inputFifo.get()), (kFifoBatches - 1) * kFrameSize);
    ExpectFramesInFifo(next - 1, kFrameSize);
}

TEST_F(CaptureBufferTest, NothingIsStagedWhileNoStreamRuns) {
    worker.streaming = false;
    Feed(NumberedFrames(0, 3 * kFrameSize));
    ExpectOnlyStaged(0);
}

TEST_F(CaptureBufferTest, NothingMoreIsStagedOrPushedOnceAStopIsRequested) {
    Feed(NumberedFrames(0, kFrameSize));
    worker.stopRequested = true;
    Feed(NumberedFrames(kFrameSize, 2 * kFrameSize));
    ExpectOnlyStaged(kFrameSize);
    EXPECT_EQ(worker.stagingPlanes[0][0], 0.0f);
}

TEST_F(CaptureBufferTest, EmptyAndNegativeCountsAndNoSamplesChangeNothingEvenWithFullPlanes) {
    Feed(NumberedFrames(0, kFrameSize));
    const float unused[2] = {-1.0f, -1.0f};
    object->OnAudio(nullptr, unused, 0);
    object->OnAudio(nullptr, unused, -5);
    object->OnAudio(nullptr, nullptr, 8);
    ExpectOnlyStaged(kFrameSize);
}

}  // namespace
}  // namespace skyflume::test
