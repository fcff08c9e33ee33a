#pragma once

// ASCII WCHAR text as a std::string, for comparing with narrow paths.

#include <string>

#include "platform/windows_api.h"

inline std::string Narrow(const WCHAR* text) {
    std::string out;
    for (; *text != 0; ++text) out += *text < 0x80 ? static_cast<char>(*text) : '?';
    return out;
}
