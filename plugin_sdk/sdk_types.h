#pragma once

#include <cstdint>

#include "platform/windows_api.h"

// One UTF-16 code unit, as the host exchanges texts.
using WChar = WCHAR;

// The answer of every QueryInterface: interfaces are handed over, never discovered.
constexpr int32_t kENoInterface = static_cast<int32_t>(0x80004002u);

// Wide string literal of type const WChar[].
#define SX_TEXT(text) WTEXT(text)
