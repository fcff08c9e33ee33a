#pragma once

#include <atomic>
#include <string>
#include <string_view>

#include "plugin_sdk/r_string.h"

// UTF-16 text as a host keeps it.
using HostText = std::basic_string<WChar>;

// The host's own string object, for texts that the host hands to a plug-in.
class HostString final : public RString {
public:
    // A new string with count 1, which belongs to the caller.
    static RString* Create(std::basic_string_view<WChar> text);

    // RUnknown
    int32_t QueryInterface(const GUID* iid, void** out) override;
    int32_t AddRef() override;
    int32_t Release() override;

    // RString
    void GetBuffer(const WChar** out) override;
    int32_t GetLength() override;

private:
    explicit HostString(std::basic_string_view<WChar> text) : text(text) {}

    std::atomic<int32_t> refCount{1};
    const HostText text;
};

// The text of a string received from a plug-in; none reads as empty.
HostText TextOf(RString* string);
