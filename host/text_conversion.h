#pragma once

#include <string>
#include <string_view>

#include "plugin_sdk/sdk_types.h"

// UTF-16 as the module hands it to UTF-8 and back. Ill-formed input (an
// unpaired surrogate; an overlong, truncated or surrogate UTF-8 sequence, or
// one above U+10FFFF) becomes U+FFFD. A null text converts to an empty one.
std::string Utf16ToUtf8(const WChar* text);
std::basic_string<WChar> Utf8ToUtf16(std::string_view text);
