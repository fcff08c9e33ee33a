#include "plugin_frame/cr_unknown.h"

int32_t CRUnknown::QueryInterface(const GUID*, void**) {
    return kENoInterface;
}

int32_t CRUnknown::AddRef() {
    return refCount.fetch_add(1, std::memory_order_seq_cst) + 1;
}

int32_t CRUnknown::Release() {
    const int32_t count = refCount.fetch_sub(1, std::memory_order_seq_cst) - 1;
    if (count == 0) {
        delete this;
    }
    return count;
}
