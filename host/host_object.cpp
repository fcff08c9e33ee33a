#include "host/host_object.h"

int32_t HostObject::QueryInterface(const GUID*, void**) {
    return kENoInterface;
}

int32_t HostObject::AddRef() {
    return 1;
}

int32_t HostObject::Release() {
    return 1;
}

int32_t HostObject::GetInterface(int32_t id, void** out) {
    if (id != kApplicationInterfaceId) {
        return 1;
    }
    *out = application;
    return 0;
}
