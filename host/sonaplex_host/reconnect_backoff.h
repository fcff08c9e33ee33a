#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <iterator>

// The waits before the attempts to bring a lost stream back: 1, 2, 4, 8 and
// 16 s, then every 30 s for as long as it takes. A stream that is up again
// starts the row anew.
class ReconnectBackoff {
public:
    // The wait before the next attempt; counts that attempt.
    std::chrono::seconds Next() {
        const auto wait = kWaits[std::min<std::size_t>(attempts, std::size(kWaits) - 1)];
        ++attempts;
        return wait;
    }
    // Attempts counted since the stream was last up.
    int Attempts() const { return attempts; }
    void Reset() { attempts = 0; }

private:
    static constexpr std::chrono::seconds kWaits[] = {std::chrono::seconds(1),  std::chrono::seconds(2),
                                                      std::chrono::seconds(4),  std::chrono::seconds(8),
                                                      std::chrono::seconds(16), std::chrono::seconds(30)};
    int attempts = 0;
};
