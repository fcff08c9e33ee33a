#include "paced_feed.h"

#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kStalledAfter = 5s;
// Seldom enough to leave the worker its core: it has a second of audio in hand.
constexpr auto kPollInterval = 2ms;

// Host frames that the stream has sent as MP3, from its bytes at its bit rate.
int64_t FramesSent(const FedStream& stream, int32_t hostRate) {
    return stream.traffic->BodyBytes() * 8 * hostRate / (int64_t{stream.bitRateKbps} * 1000);
}

}  // namespace

bool WaitUntilTaken(const FedStream& stream, int64_t fed, int64_t slack, int32_t hostRate) {
    const auto stalledAt = Clock::now() + kStalledAfter;
    int64_t sent = FramesSent(stream, hostRate);
    while (fed - sent > slack) {
        if (Clock::now() > stalledAt) {
            return false;
        }
        std::this_thread::sleep_for(kPollInterval);
        sent = FramesSent(stream, hostRate);
    }
    return true;
}

std::optional<std::vector<double>> FeedAsTaken(std::span<const FedStream> streams, std::span<const float> frames,
                                               int32_t hostRate) {
    const int32_t block = hostRate / 100;
    const auto total = static_cast<int64_t>(frames.size() / 2);
    std::vector<double> callSeconds;
    callSeconds.reserve(static_cast<size_t>((total / block + 1) * static_cast<int64_t>(streams.size())));
    for (int64_t fed = 0; fed < total;) {
        for (const FedStream& stream : streams) {
            if (!WaitUntilTaken(stream, fed, hostRate, hostRate)) {
                return std::nullopt;
            }
        }
        const auto count = static_cast<int32_t>(std::min<int64_t>(block, total - fed));
        const float* samples = frames.data() + 2 * fed;
        for (const FedStream& stream : streams) {
            const auto start = Clock::now();
            stream.audio->OnAudio(nullptr, samples, count);
            callSeconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        }
        fed += count;
    }
    return callSeconds;
}
