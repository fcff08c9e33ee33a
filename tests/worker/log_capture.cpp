#include "log_capture.h"

#include <cstdarg>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

namespace skyflume::test {

namespace {

std::mutex messagesMutex;
std::vector<std::string> messages;

void Collect(void* context, int level, const char* format, va_list arguments) {
    if (level > AV_LOG_WARNING) {
        return;
    }
    char line[1024];
    int printPrefix = 1;
    av_log_format_line(context, level, format, arguments, line, sizeof line, &printPrefix);
    std::string text(line);
    std::lock_guard lock(messagesMutex);
    messages.push_back(std::move(text));
}

}  // namespace

LogCapture::LogCapture() {
    std::lock_guard lock(messagesMutex);
    messages.clear();
    av_log_set_callback(Collect);
}

LogCapture::~LogCapture() {
    av_log_set_callback(av_log_default_callback);
}

std::vector<std::string> LogCapture::Messages() const {
    std::lock_guard lock(messagesMutex);
    return messages;
}

std::vector<std::string> LogCapture::Matching(const std::string& text) const {
    std::vector<std::string> found;
    for (const std::string& message : Messages()) {
        if (message.find(text) != std::string::npos) {
            found.push_back(message);
        }
    }
    return found;
}

}  // namespace skyflume::test
