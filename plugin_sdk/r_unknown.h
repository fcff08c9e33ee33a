#pragma once

#include "plugin_sdk/sdk_types.h"

// Root of every interface that crosses the host boundary. Interfaces hold no
// data and only pure virtual operations, so operation N sits in slot N.
class RUnknown {
public:
    // Always answers kENoInterface and leaves *out as it was.
    virtual int32_t QueryInterface(const GUID* iid, void** out) = 0;
    // Answers the new count.
    virtual int32_t AddRef() = 0;
    // Answers the new count; the object is destroyed when it reaches 0.
    virtual int32_t Release() = 0;
};
