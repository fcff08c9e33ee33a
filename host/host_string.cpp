#include "host/host_string.h"

RString* HostString::Create(std::basic_string_view<WChar> text) {
    return new HostString(text);
}

int32_t HostString::QueryInterface(const GUID*, void**) {
    return kENoInterface;
}

int32_t HostString::AddRef() {
    return refCount.fetch_add(1) + 1;
}

int32_t HostString::Release() {
    const int32_t count = refCount.fetch_sub(1) - 1;
    if (count == 0) {
        delete this;
    }
    return count;
}

void HostString::GetBuffer(const WChar** out) {
    *out = text.c_str();
}

int32_t HostString::GetLength() {
    return static_cast<int32_t>(text.size());
}

HostText TextOf(RString* string) {
    if (string == nullptr) {
        return {};
    }
    const WChar* buffer = nullptr;
    string->GetBuffer(&buffer);
    return buffer == nullptr ? HostText() : HostText(buffer, static_cast<size_t>(string->GetLength()));
}
