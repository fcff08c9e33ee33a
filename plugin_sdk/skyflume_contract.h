#pragma once

#include <cstdint>

#include "plugin_sdk/sdk_types.h"

// The numbers that the Skyflume plug-in and its hosts agree on. The plug-in,
// the reference host and the tests read them from here only.

// What Initialize must be called with; any other version is refused.
constexpr int32_t kPluginInterfaceVersion = 9980;

// {E85D1DFD-8B26-4399-A2E8-20FE315600C1}: what GetPluginId hands out, and the
// last component of the registry key that tells the host where the module is.
inline constexpr GUID kSkyflumePluginId = {
    0xE85D1DFD, 0x8B26, 0x4399, {0xA2, 0xE8, 0x20, 0xFE, 0x31, 0x56, 0x00, 0xC1}};

// Sent by the host to stop a running stream.
constexpr int32_t kEventHostStop = 4003;
// Posted by the worker through the host's PostEvent to the plug-in's own
// event listener: param 0 once connected and taking audio.
constexpr int32_t kEventStreamStarted = 20002;
// Posted by the worker as its run's last act; param: the run's status.
constexpr int32_t kEventStreamEnded = 20001;
