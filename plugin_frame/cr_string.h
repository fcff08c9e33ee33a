#pragma once

#include "plugin_frame/cr_unknown.h"
#include "plugin_sdk/r_string.h"

// Counting implementation of RString. Contents never change after creation.
class CRString : public CRUnknown, public RString {
public:
    // RUnknown, through the one count of CRUnknown
    SX_FORWARD_RUNKNOWN_TO(CRUnknown)

    // RString
    void GetBuffer(const WChar** out) override;
    int32_t GetLength() override;

private:
    friend RString* CreateRString(const WChar* text, int32_t length);
    CRString() = default;
    ~CRString() override;

    WChar* buffer = nullptr;
    int32_t length = 0;
};

// Creates a string with count 1, which belongs to the caller. A null text
// gives a string without buffer; an empty one a buffer holding only the
// terminator.
RString* CreateRString(const WChar* text);
// The same for a text whose length is known, such as a constant.
RString* CreateRString(const WChar* text, int32_t length);
