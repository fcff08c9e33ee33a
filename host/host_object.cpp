#include "host/host_object.h"

int32_t HostObject::GetInterface(int32_t id, void** out) {
    if (id != kApplicationInterfaceId) {
        return 1;
    }
    *out = application;
    return 0;
}
