#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include <unistd.h>

#include "host/app/audio_clock.h"

namespace {

using namespace std::chrono_literals;

// Frame i carries (i, -i), so that order and completeness can be checked.
class CountingSource : public AudioSource {
public:
    explicit CountingSource(int frames) : total(frames) {}

    int Read(float* frames, int frameCount) override {
        int delivered = 0;
        for (; delivered < frameCount && next < total; ++delivered, ++next) {
            frames[2 * delivered] = static_cast<float>(next);
            frames[2 * delivered + 1] = static_cast<float>(-next);
        }
        return delivered;
    }

private:
    int total;
    int next = 0;
};

// Collects what a clock hands out and notices handlers that overlap.
struct Recorder {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<float> audio;
    std::vector<int32_t> blockSizes;
    int ends = 0;
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};

    // Makes one handler's change under the lock and wakes the waiters; a
    // handler that runs while another is inside marks an overlap.
    template <typename Change>
    void Handle(Change change) {
        if (inside.fetch_add(1) != 0) {
            overlapped = true;
        }
        {
            std::lock_guard lock(mutex);
            change();
        }
        changed.notify_all();
        inside.fetch_sub(1);
    }

    AudioClock::BlockHandler OnBlock() {
        return [this](const float* interleaved, int32_t frameCount) {
            Handle([&] {
                audio.insert(audio.end(), interleaved, interleaved + 2 * frameCount);
                blockSizes.push_back(frameCount);
            });
        };
    }
    AudioClock::EndHandler OnEnd() {
        return [this] { Handle([this] { ++ends; }); };
    }

    // The limit only keeps a broken clock from hanging the suite.
    template <typename Predicate>
    bool WaitUntil(Predicate predicate) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 60s, predicate);
    }
};

TEST(AudioClock, BlockIsTenMillisecondsUnlessConfigured) {
    Recorder recorder;
    AudioClock at44100(std::make_unique<CountingSource>(0), 44100, recorder.OnBlock());
    AudioClock at48000(std::make_unique<CountingSource>(0), 48000, recorder.OnBlock());
    AudioClock twoMs(std::make_unique<CountingSource>(0), 48000, recorder.OnBlock(), {}, 2ms);
    EXPECT_EQ(at44100.FramesPerBlock(), 441);
    EXPECT_EQ(at48000.FramesPerBlock(), 480);
    EXPECT_EQ(twoMs.FramesPerBlock(), 96);
}

TEST(AudioClock, DeliversAFiniteSourceInOrderInWholeBlocksThenReportsTheEnd) {
    constexpr int kFrames = 20 * 48 + 17;
    Recorder recorder;
    AudioClock clock(std::make_unique<CountingSource>(kFrames), 48000, recorder.OnBlock(), recorder.OnEnd(), 1ms);
    ASSERT_TRUE(recorder.WaitUntil([&] { return recorder.ends > 0; }));
    clock.Stop();

    EXPECT_TRUE(clock.Ended());
    EXPECT_EQ(recorder.ends, 1);
    EXPECT_FALSE(recorder.overlapped);
    std::vector<int32_t> expectedSizes(20, 48);
    expectedSizes.push_back(17);
    EXPECT_EQ(recorder.blockSizes, expectedSizes);
    ASSERT_EQ(recorder.audio.size(), 2u * kFrames);
    for (int i = 0; i < kFrames; ++i) {
        ASSERT_EQ(recorder.audio[2 * i], static_cast<float>(i));
        ASSERT_EQ(recorder.audio[2 * i + 1], static_cast<float>(-i));
    }
}

TEST(AudioClock, ASourceThatEndsOnABlockBoundaryOrAtOnceStillReportsItsEnd) {
    for (const int frames : {0, 3 * 48}) {
        Recorder recorder;
        AudioClock clock(std::make_unique<CountingSource>(frames), 48000, recorder.OnBlock(), recorder.OnEnd(), 1ms);
        ASSERT_TRUE(recorder.WaitUntil([&] { return recorder.ends > 0; })) << frames;
        clock.Stop();
        EXPECT_EQ(recorder.audio.size(), 2u * frames);
        EXPECT_EQ(recorder.ends, 1);
    }
}

TEST(AudioClock, StopEndsAnEndlessSourceWithoutReportingAnEnd) {
    Recorder recorder;
    AudioClock clock(std::make_unique<CountingSource>(1 << 30), 48000, recorder.OnBlock(), recorder.OnEnd(), 1ms);
    ASSERT_TRUE(recorder.WaitUntil([&] { return recorder.blockSizes.size() >= 3; }));
    clock.Stop();
    std::size_t blocksAtStop = 0;
    {
        std::lock_guard lock(recorder.mutex);
        blocksAtStop = recorder.blockSizes.size();
    }
    // Long enough for a thread that kept running to deliver more blocks.
    std::this_thread::sleep_for(20ms);

    std::lock_guard lock(recorder.mutex);
    EXPECT_EQ(recorder.blockSizes.size(), blocksAtStop);
    EXPECT_EQ(recorder.ends, 0);
    EXPECT_FALSE(clock.Ended());
    EXPECT_FALSE(recorder.overlapped);
    for (std::size_t i = 0; i < recorder.audio.size() / 2; ++i) {
        ASSERT_EQ(recorder.audio[2 * i], static_cast<float>(i));
    }
}

TEST(AudioClock, StopGetsThroughToASourceWaitingForInput) {
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    // Three blocks, then the producer stalls with its end still open.
    const std::vector<float> threeBlocks(2 * 3 * 48, 0.25f);
    ASSERT_EQ(::write(pipeFds[1], threeBlocks.data(), threeBlocks.size() * sizeof(float)),
              static_cast<ssize_t>(threeBlocks.size() * sizeof(float)));
    auto opened = OpenRawFloatSource(pipeFds[0]);
    ASSERT_TRUE(opened.source) << opened.error;

    Recorder recorder;
    AudioClock clock(std::move(opened.source), 48000, recorder.OnBlock(), recorder.OnEnd(), 1ms);
    ASSERT_TRUE(recorder.WaitUntil([&] { return recorder.blockSizes.size() == 3; }));
    clock.Stop();

    EXPECT_EQ(recorder.blockSizes, (std::vector<int32_t>{48, 48, 48}));
    EXPECT_EQ(recorder.ends, 0);
    EXPECT_FALSE(clock.Ended());
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
}

}  // namespace
