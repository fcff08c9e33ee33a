#pragma once

#include <cstdint>

#include "plugin_sdk/skyflume_contract.h"

// How a stream run ended: the param of kEventStreamEnded. The stream control
// shows 0, 1 and 9 with texts of their own and any other code as an internal
// error with its number.
constexpr int32_t kStatusOk = 0;                    // stopped; encoder drained, trailer written
constexpr int32_t kStatusConnectionFailed = 1;      // the server could not be reached or refused the source
constexpr int32_t kStatusNoOutputFormat = 2;        // no muxer for "x.mp3"
constexpr int32_t kStatusNoEncoder = 3;             // no audio encoder for the codec id
constexpr int32_t kStatusNewStreamFailed = 4;       // the output context took no stream
constexpr int32_t kStatusEncoderContextFailed = 5;  // no encoder context
constexpr int32_t kStatusOpenEncoderFailed = 6;     // the encoder did not open, or has no fixed frame size
constexpr int32_t kStatusCodecParametersFailed = 7; // the stream took no parameters from the encoder
constexpr int32_t kStatusResamplerFailed = 8;       // the resampler could not be set up
constexpr int32_t kStatusWriteFailed = 9;           // a packet could not be written while streaming
constexpr int32_t kStatusAllocationFailed = 10;     // memory for a context, frame, packet, FIFO or buffer
