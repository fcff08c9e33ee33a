#pragma once

#include <cstdint>

#include "plugin_sdk/skyflume_contract.h"

// How a stream run ended: the param of kEventStreamEnded, and what the stream
// control shows. 0, 1, 9 and 14 have texts of their own; any other code shows as
// an internal error with its number.
constexpr int32_t kStatusOk = 0;                     // stopped, also while connecting; encoder drained, trailer written
constexpr int32_t kStatusConnectionFailed = 1;       // the server could not be reached or refused the source
constexpr int32_t kStatusNoOutputFormat = 2;         // no muxer for "x.mp3"
constexpr int32_t kStatusNoEncoder = 3;              // no audio encoder for the codec id
constexpr int32_t kStatusNewStreamFailed = 4;        // the output context took no stream
constexpr int32_t kStatusEncoderContextFailed = 5;   // no encoder context
constexpr int32_t kStatusOpenEncoderFailed = 6;      // the encoder did not open, or has no fixed frame size
constexpr int32_t kStatusCodecParametersFailed = 7;  // the stream took no parameters from the encoder
constexpr int32_t kStatusResamplerFailed = 8;        // the resampler could not be set up
constexpr int32_t kStatusWriteFailed = 9;            // a packet could not be written while streaming
constexpr int32_t kStatusAllocationFailed = 10;      // memory for a context, frame, packet, FIFO or buffer
constexpr int32_t kStatusHeaderRefused = 11;         // the stream header could not be written
// A start that the stream control had to give up before a worker ran.
constexpr int32_t kStatusNoWakeEvent = 12;         // the run's wake event could not be created
constexpr int32_t kStatusNoWorkerThread = 13;      // the host made no worker thread
constexpr int32_t kStatusUnusableSampleRate = 14;  // the host's sample rate is one no audio device has
