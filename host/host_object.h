#pragma once

#include "plugin_sdk/host_application.h"

// The SXHost handed to a plug-in's Initialize: it yields the application for
// id 2002 and refuses every other id.
class HostObject : public SXHost {
public:
    explicit HostObject(SXApplication* application) : application(application) {}

    // RUnknown: the host object outlives its plug-ins; counting is a no-op.
    int32_t QueryInterface(const GUID*, void**) override { return kENoInterface; }
    int32_t AddRef() override { return 1; }
    int32_t Release() override { return 1; }

    // SXHost: the application is handed out without a reference.
    int32_t GetInterface(int32_t id, void** out) override;

private:
    SXApplication* const application;
};
