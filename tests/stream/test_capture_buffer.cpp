// The capture buffer: whole batches reach the FIFO, each pushed when the
// frame after it arrives, left and right apart, and only while calls are
// admitted.

#include <gtest/gtest.h>

#include <vector>

#include "broadcast/capture_buffer.h"

namespace skyflume::test {
namespace {

constexpr int32_t kBatch = 1152;
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

// The buffer as a run leaves it once the worker has announced the stream;
// the test is the audio thread and the worker.
class CaptureBufferTest : public ::testing::Test {
protected:
    CaptureBufferTest() {
        capture.Open(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        EXPECT_TRUE(capture.Allocate(kBatch, kFifoBatches * kBatch));
        capture.Admit();
    }

    void Feed(const std::vector<float>& samples) {
        capture.Push(samples.data(), static_cast<int32_t>(samples.size() / 2));
    }
    int32_t FifoSize() { return capture.Lock().Waiting(); }
    // Whether the worker would wake, consuming the signal.
    bool WakeSignalled() { return capture.WaitForWake(0) == WAIT_OBJECT_0; }
    // The FIFO holds `count` frames numbered from `first`, which the worker takes.
    void ExpectFramesInFifo(int32_t first, int32_t count) {
        ASSERT_EQ(FifoSize(), count);
        std::vector<float> left(kBatch);
        std::vector<float> right(kBatch);
        void* planes[2] = {left.data(), right.data()};
        for (int32_t batch = 0; batch < count / kBatch; ++batch) {
            ASSERT_TRUE(capture.Lock().TakeBatch(planes));
            for (int32_t i = 0; i < kBatch; ++i) {
                const auto frame = static_cast<float>(first + batch * kBatch + i);
                ASSERT_EQ(left[i], frame) << "left, frame " << i;
                ASSERT_EQ(right[i], frame + kRightOffset) << "right, frame " << i;
            }
        }
    }
    // Nothing reached the FIFO or woke the worker; `staged` frames from
    // `first` wait, which the frames completing their batch and one more
    // show.
    void ExpectOnlyStaged(int32_t first, int32_t staged) {
        EXPECT_EQ(FifoSize(), 0);
        EXPECT_FALSE(WakeSignalled());
        Feed(NumberedFrames(first + staged, kBatch - staged + 1));
        ExpectFramesInFifo(first, kBatch);
    }

    CaptureBuffer capture;
};

TEST_F(CaptureBufferTest, OneWholeBatchIsPushedOnlyWhenTheNextCallsFirstFrameArrives) {
    Feed(NumberedFrames(0, kBatch));
    ExpectOnlyStaged(0, kBatch);
    EXPECT_TRUE(WakeSignalled());
    // The frame that pushed the batch opens the next one.
    ExpectOnlyStaged(kBatch, 1);
}

TEST_F(CaptureBufferTest, ACallOfMoreThanTwoBatchesPushesTwoAndKeepsTheRestStaged) {
    Feed(NumberedFrames(0, 2 * kBatch + 100));
    EXPECT_TRUE(WakeSignalled());
    ExpectFramesInFifo(0, 2 * kBatch);
    ExpectOnlyStaged(2 * kBatch, 100);
}

TEST_F(CaptureBufferTest, HostBlocksThatSplitBatchesArriveWholeAndInOrderWithLeftAndRightApart) {
    constexpr int32_t kBlock = 441;  // 10 ms at 44100 Hz
    for (int32_t call = 0; call < 10; ++call) {
        Feed(NumberedFrames(call * kBlock, kBlock));
    }
    // 4410 frames: pushes at frames 1152, 2304 and 3456.
    ExpectFramesInFifo(0, 3 * kBatch);
    EXPECT_TRUE(WakeSignalled());
    EXPECT_EQ(capture.CapturedFrames(), 10 * kBlock);
    EXPECT_EQ(capture.LargestCall(), kBlock);
    ExpectOnlyStaged(3 * kBatch, 10 * kBlock - 3 * kBatch);
}

// Growing the FIFO would allocate on the audio thread.
TEST_F(CaptureBufferTest, ABatchWithoutRoomIsDroppedWholeAndCountedAndTheFifoNeverGrows) {
    // Fills the FIFO; the next batch finds no room and goes.
    Feed(NumberedFrames(0, (kFifoBatches + 1) * kBatch + 1));
    EXPECT_EQ(capture.DroppedBatches(), 1);
    ExpectFramesInFifo(0, kFifoBatches * kBatch);

    // Once the worker has read, the next batch fits again, whole.
    const int32_t next = (kFifoBatches + 1) * kBatch + 1;
    Feed(NumberedFrames(next, kBatch));
    EXPECT_EQ(capture.DroppedBatches(), 1);
    ExpectFramesInFifo(next - 1, kBatch);
}

TEST_F(CaptureBufferTest, NothingIsStagedBeforeTheAdmissionNorAfterARefusalThatCameFirst) {
    CaptureBuffer notYet;
    notYet.Open(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    ASSERT_TRUE(notYet.Allocate(kBatch, kFifoBatches * kBatch));
    const std::vector<float> frames = NumberedFrames(0, 3 * kBatch);
    notYet.Push(frames.data(), 3 * kBatch);
    EXPECT_EQ(notYet.Lock().Waiting(), 0);
    EXPECT_EQ(notYet.CapturedFrames(), 0);
    // A refusal that comes first holds against the admission.
    notYet.Refuse();
    notYet.Admit();
    notYet.Push(frames.data(), 3 * kBatch);
    EXPECT_EQ(notYet.CapturedFrames(), 0);
}

TEST_F(CaptureBufferTest, NothingMoreIsStagedOrPushedOnceRefused) {
    Feed(NumberedFrames(0, kBatch));
    capture.Refuse();
    Feed(NumberedFrames(kBatch, 2 * kBatch));
    EXPECT_EQ(FifoSize(), 0);
    EXPECT_FALSE(WakeSignalled());
    EXPECT_EQ(capture.CapturedFrames(), kBatch);
}

TEST_F(CaptureBufferTest, EmptyAndNegativeCountsAndNoSamplesChangeNothingEvenWithFullPlanes) {
    Feed(NumberedFrames(0, kBatch));
    const float unused[2] = {-1.0f, -1.0f};
    capture.Push(unused, 0);
    capture.Push(unused, -5);
    capture.Push(nullptr, 8);
    EXPECT_EQ(capture.CapturedFrames(), kBatch);
    ExpectOnlyStaged(0, kBatch);
}

}  // namespace
}  // namespace skyflume::test
