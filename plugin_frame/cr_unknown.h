#pragma once

#include <atomic>

#include "plugin_sdk/r_unknown.h"

// Counting implementation of RUnknown. The initial reference count after
// creating an object is 1 and belongs to its creator. A class with further
// interfaces forwards their first three operations here, so that one object
// has one count.
class CRUnknown : public RUnknown {
public:
    CRUnknown() = default;
    CRUnknown(const CRUnknown&) = delete;
    CRUnknown& operator=(const CRUnknown&) = delete;

    // RUnknown
    int32_t QueryInterface(const GUID* iid, void** out) override;
    int32_t AddRef() override;
    int32_t Release() override;

    virtual ~CRUnknown() = default;

private:
    std::atomic<int32_t> refCount{1};
};

// Implements the RUnknown operations of a secondary interface by forwarding
// them to the object's CRUnknown base.
#define SX_FORWARD_RUNKNOWN_TO(Base)                               \
    int32_t QueryInterface(const GUID* iid, void** out) override { \
        return Base::QueryInterface(iid, out);                     \
    }                                                              \
    int32_t AddRef() override {                                    \
        return Base::AddRef();                                     \
    }                                                              \
    int32_t Release() override {                                   \
        return Base::Release();                                    \
    }
