#pragma once

#include "plugin_sdk/host_application.h"

// The SXHost handed to a plug-in's Initialize: it yields the application for
// id 2002, or refuses every id.
class HostObject final : public SXHost {
public:
    explicit HostObject(SXApplication* application) : application(application) {}

    // Every later lookup fails, as with a host that lacks the application.
    void Refuse() { refusing = true; }
    // How many lookups the plug-in made.
    int32_t Lookups() const { return lookups; }

    // RUnknown: the host object outlives its plug-ins; counting is a no-op.
    int32_t QueryInterface(const GUID* iid, void** out) override;
    int32_t AddRef() override;
    int32_t Release() override;

    // SXHost: the application is handed out without a reference.
    int32_t GetInterface(int32_t id, void** out) override;

private:
    SXApplication* const application;
    bool refusing = false;
    int32_t lookups = 0;
};
