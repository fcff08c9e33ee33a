#pragma once

#include "plugin_sdk/r_unknown.h"

// Immutable, reference-counted UTF-16 text: the only form in which texts
// cross the host boundary.
class RString : public RUnknown {
public:
    // *out receives the terminated text, or none; the pointer stays valid
    // while the caller holds its reference.
    virtual void GetBuffer(const WChar** out) = 0;
    // Code units, terminator excluded.
    virtual int32_t GetLength() = 0;
};
