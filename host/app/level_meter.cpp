#include "host/app/level_meter.h"

#include <algorithm>
#include <cmath>
#include <limits>

void LevelMeter::Add(const float* interleaved, int32_t frameCount) {
    for (int32_t i = 0; i < 2 * frameCount; ++i) {
        peak = std::max(peak, std::abs(interleaved[i]));
    }
    frames += frameCount;
    if (frames >= framesPerSecond) {
        lastPeak = peak;
        peak = 0.0f;
        frames = 0;
    }
}

std::optional<LevelMeter::Level> LevelMeter::LastSecond() const {
    const float last = lastPeak;
    if (last < 0.0f) {
        return std::nullopt;
    }
    const double dbfs = last > 0.0f ? 20.0 * std::log10(last) : -std::numeric_limits<double>::infinity();
    return Level{dbfs, last >= 1.0f};
}
