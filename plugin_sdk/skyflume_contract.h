#pragma once

#include <array>
#include <cstddef>
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

// The plug-in's registry key below HKEY_LOCAL_MACHINE; its value "Path" names
// the module's file. The last component is kSkyflumePluginId in registry form.
inline constexpr char kSkyflumePluginKey[] =
    "SOFTWARE\\Quillmark\\Sonaplex\\Plugins\\{E85D1DFD-8B26-4399-A2E8-20FE315600C1}";

// The key in the units of the wide registry calls; it is ASCII, so each
// character is one unit.
template <class Unit>
constexpr std::array<Unit, sizeof kSkyflumePluginKey> SkyflumePluginKeyIn() {
    std::array<Unit, sizeof kSkyflumePluginKey> key{};
    for (std::size_t i = 0; i < key.size(); ++i) {
        key[i] = static_cast<Unit>(kSkyflumePluginKey[i]);
    }
    return key;
}

// Sent by the host to stop a running stream.
constexpr int32_t kEventHostStop = 4003;
// Posted by the worker through the host's PostEvent to the plug-in's own
// event listener: param 0 once connected and taking audio.
constexpr int32_t kEventStreamStarted = 20002;
// Posted by the worker as its run's last act; param: the run's status.
constexpr int32_t kEventStreamEnded = 20001;
