#include "plugin_frame/cr_string.h"

#include <algorithm>

void CRString::GetBuffer(const WChar** out) {
    *out = buffer;
}

int32_t CRString::GetLength() {
    return length;
}

CRString::~CRString() {
    delete[] buffer;
}

RString* CreateRString(const WChar* text) {
    int32_t length = 0;
    if (text != nullptr) {
        while (text[length] != 0) {
            ++length;
        }
    }
    return CreateRString(text, length);
}

RString* CreateRString(const WChar* text, int32_t length) {
    auto* string = new CRString();
    if (text != nullptr) {
        string->buffer = new WChar[static_cast<size_t>(length) + 1];
        std::copy(text, text + length, string->buffer);
        string->buffer[length] = 0;
        string->length = length;
    }
    return string;
}
