#pragma once

#include <cstdint>

#include "plugin_sdk/host_application.h"
#include "plugin_sdk/r_string.h"
#include "plugin_sdk/skyflume_contract.h"

// The interface through which the host drives a plug-in, on its GUI thread.
class RPlugin : public RUnknown {
public:
    // *out receives a new string with count 1, which the caller releases.
    virtual void GetPluginName(RString** out) = 0;
    // *out receives a new string with count 1, which the caller releases.
    virtual void GetPluginAuthor(RString** out) = 0;
    // *out receives a pointer to the module's constant id; nobody frees it.
    virtual void GetPluginId(const GUID** out) = 0;
    virtual int32_t ReservedQuery() = 0;
    // 1 success, 0 failure.
    virtual int32_t Initialize(void* hostContext, int32_t version, SXHost* host) = 0;
    // Copies a block of exactly the plug-in's state size; any other size is ignored.
    virtual void SetState(const void* block, int32_t size) = 0;
    virtual void Activate() = 0;
    virtual void Deactivate() = 0;
    // *block receives the plug-in's live state block, which it keeps owning;
    // answers its size in bytes.
    virtual int32_t GetState(void** block) = 0;
    virtual void ReservedNotify() = 0;
    virtual void Unload(int32_t flag) = 0;
};
