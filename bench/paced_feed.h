#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "plugin_sdk/host_listeners.h"
#include "source_relay.h"

// One stream being fed: the plug-in's audio callback, and what of its MP3
// has left through the relay.
struct FedStream {
    SXAudioCallback* audio;
    const SourceTraffic* traffic;
    int32_t bitRateKbps;
};

// Waits until the stream has sent, as MP3, all but `slack` of the `fed`
// frames at `hostRate`, which the bytes through the relay tell at the
// stream's bit rate; false when its worker took nothing for five seconds.
bool WaitUntilTaken(const FedStream& stream, int64_t fed, int64_t slack, int32_t hostRate);

// Hands the interleaved float frames at `hostRate` to every stream's
// callback, in host blocks of 10 ms, as fast as the slowest worker takes
// them: a block goes out only while every stream has sent all but one second
// of what it was given. The input FIFO has room for four seconds, so no
// batch is ever dropped. Runs on the calling thread, which is the audio
// thread meanwhile. Answers how long each call took, in seconds, call by
// call; none when a worker took nothing for five seconds.
std::optional<std::vector<double>> FeedAsTaken(std::span<const FedStream> streams, std::span<const float> frames,
                                               int32_t hostRate);
