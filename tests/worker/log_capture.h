#pragma once

// FFmpeg's errors and warnings, collected from every thread while a
// LogCapture lives. FFmpeg has one log callback per process, so only one
// capture may live at a time.

#include <string>
#include <vector>

namespace skyflume::test {

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> Messages() const;
    // Messages containing the text.
    std::vector<std::string> Matching(const std::string& text) const;
};

}  // namespace skyflume::test
