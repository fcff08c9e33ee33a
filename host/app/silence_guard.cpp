#include "host/app/silence_guard.h"

#include <algorithm>
#include <cmath>

namespace {

// Long enough not to click, short enough that nothing else is heard.
constexpr double kFadeSeconds = 0.05;
// The longest block the host's audio thread hands on: 100 ms.
constexpr int kMaxBlocksPerSecond = 10;

}  // namespace

SilenceGuard::SilenceGuard(const Settings& settings, int sampleRate, std::unique_ptr<AudioSource> fallback)
    : threshold(static_cast<float>(std::pow(10.0, settings.thresholdDbfs / 20.0))),
      afterFrames(std::llround(settings.afterSeconds * sampleRate)),
      recoverFrames(std::llround(settings.recoverSeconds * sampleRate)),
      fadeStep(static_cast<float>(1.0 / (kFadeSeconds * sampleRate))),
      fallback(std::move(fallback)),
      fallbackBlock(this->fallback ? 2 * (sampleRate / kMaxBlocksPerSecond + 1) : 0),
      mixed(fallbackBlock.size()) {}

const float* SilenceGuard::Process(const float* live, int32_t frameCount) {
    float peak = 0.0f;
    for (int32_t i = 0; i < 2 * frameCount; ++i) {
        peak = std::max(peak, std::abs(live[i]));
    }
    const bool wasSilent = silent.load(std::memory_order_relaxed);
    // The run that ends the present state: quiet while live, loud while silent.
    runFrames = (peak < threshold) != wasSilent ? runFrames + frameCount : 0;
    if (runFrames >= (wasSilent ? recoverFrames : afterFrames)) {
        runFrames = 0;
        silent.store(!wasSilent);
        if (!wasSilent) {
            episodes.fetch_add(1);
        }
    }
    if (!fallback || (share == 0.0f && !silent.load(std::memory_order_relaxed)) ||
        2 * static_cast<std::size_t>(frameCount) > mixed.size()) {
        return live;
    }
    Mix(live, frameCount);
    return mixed.data();
}

void SilenceGuard::Mix(const float* live, int32_t frameCount) {
    const int got = std::max(0, fallback->Read(fallbackBlock.data(), frameCount));
    std::fill(fallbackBlock.begin() + 2 * got, fallbackBlock.begin() + 2 * frameCount, 0.0f);
    const float target = silent.load(std::memory_order_relaxed) ? 1.0f : 0.0f;
    for (int32_t frame = 0; frame < frameCount; ++frame) {
        share = target > share ? std::min(target, share + fadeStep) : std::max(target, share - fadeStep);
        for (int channel = 0; channel < 2; ++channel) {
            const std::size_t at = 2 * static_cast<std::size_t>(frame) + channel;
            mixed[at] = (1.0f - share) * live[at] + share * fallbackBlock[at];
        }
    }
}

void SilenceGuard::Interrupt() {
    if (fallback) {
        fallback->Interrupt();
    }
}
