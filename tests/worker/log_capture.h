#pragma once

// FFmpeg's errors and warnings, collected from every thread while a
// LogCapture lives. FFmpeg has one log callback per process, so only one
// capture may live at a time.

#include <string>
#include <vector>

#include "platform/non_copyable.h"

namespace skyflume::test {

class LogCapture : NonCopyable {
public:
    LogCapture();
    ~LogCapture();

    std::vector<std::string> Messages() const;
    // Messages containing the text.
    std::vector<std::string> Matching(const std::string& text) const;
};

}  // namespace skyflume::test
