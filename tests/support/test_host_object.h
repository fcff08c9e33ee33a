#pragma once

#include "host/host_object.h"

// The host kit's host object, counting the plug-in's lookups and able to
// refuse them all, as a host that lacks the application would.
class TestHostObject final : public HostObject {
public:
    using HostObject::HostObject;

    // Every later lookup fails.
    void Refuse() { refusing = true; }
    // How many lookups the plug-in made.
    int32_t Lookups() const { return lookups; }

    int32_t GetInterface(int32_t id, void** out) override {
        ++lookups;
        return refusing ? 1 : HostObject::GetInterface(id, out);
    }

private:
    bool refusing = false;
    int32_t lookups = 0;
};
