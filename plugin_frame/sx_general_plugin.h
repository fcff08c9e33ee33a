#pragma once

#include "plugin_frame/cr_unknown.h"
#include "plugin_sdk/host_application.h"
#include "plugin_sdk/r_plugin.h"

// RPlugin with fallback answers and the initialisation handshake. The
// RUnknown operations of RPlugin and GetPluginId are left to the concrete
// plug-in, which forwards RUnknown to its one count.
class SXGeneralPlugin : public CRUnknown, public RPlugin {
public:
    // RPlugin
    void GetPluginName(RString** out) override;
    void GetPluginAuthor(RString** out) override;
    int32_t ReservedQuery() override;
    int32_t Initialize(void* hostContext, int32_t version, SXHost* host) override;
    void SetState(const void* block, int32_t size) override;
    void Activate() override;
    void Deactivate() override;
    int32_t GetState(void** block) override;
    void ReservedNotify() override;
    void Unload(int32_t flag) override;

protected:
    SXGeneralPlugin() = default;

    // Opaque value of the host's; kept and never used.
    void* hostContext = nullptr;
    // Handed out by the host without a reference of ours: never released.
    SXApplication* host = nullptr;
};
