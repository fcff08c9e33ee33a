#pragma once

// UTF-16 <-> UTF-8 for the Linux backend. Ill-formed input (a lone
// surrogate, a bad UTF-8 sequence) becomes U+FFFD; nothing throws.

#include <string>
#include <string_view>

namespace platform {

std::string ToUtf8(std::u16string_view text);
// A null text is an empty one.
std::string ToUtf8(const char16_t* text);
std::u16string ToUtf16(std::string_view text);

}  // namespace platform
