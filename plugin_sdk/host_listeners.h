#pragma once

#include <cstdint>

#include "plugin_sdk/r_unknown.h"

// Interfaces that the plug-in hands to the host; the host calls them.

// The plug-in's entry in the host's menu was chosen (GUI thread).
class SXMenuItemListener : public RUnknown {
public:
    virtual void OnMenuItemClicked(int32_t reserved) = 0;
};

// Audio passing through the host (audio thread; calls never overlap):
// frameCount interleaved stereo frames of two floats, left first.
class SXAudioCallback : public RUnknown {
public:
    virtual void OnAudio(void* reserved, const float* samples, int32_t frameCount) = 0;
};

// Host events and events posted with PostEvent (GUI thread).
class SXEventListener : public RUnknown {
public:
    virtual void OnEvent(int32_t id, int32_t param, intptr_t param2) = 0;
};

// Body of a thread started by the host's StartThread; the host ignores the answer.
class SXThread : public RUnknown {
public:
    virtual int32_t Run() = 0;
};
