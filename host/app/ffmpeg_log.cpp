#include "host/app/ffmpeg_log.h"

#include <cstdarg>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

namespace {

std::mutex routeMutex;
std::function<void(const std::string&)> routeWrite;
// FFmpeg may hand over a line in pieces: they gather here until its end.
std::string pending;
int pendingLevel = AV_LOG_INFO;
// av_log_format_line2's own state: whether the next piece starts a line.
int printPrefix = 1;

const char* LevelName(int level) {
    if (level <= AV_LOG_FATAL) {
        return "fatal";
    }
    if (level <= AV_LOG_ERROR) {
        return "error";
    }
    if (level <= AV_LOG_WARNING) {
        return "warning";
    }
    if (level <= AV_LOG_INFO) {
        return "info";
    }
    return level <= AV_LOG_VERBOSE ? "verbose" : "debug";
}

extern "C" void RouteLine(void* context, int level, const char* format, va_list arguments) {
    if (level > av_log_get_level()) {
        return;
    }
    const std::lock_guard lock(routeMutex);
    char piece[1024];
    av_log_format_line2(context, level, format, arguments, piece, sizeof piece, &printPrefix);
    if (pending.empty()) {
        pendingLevel = level;
    }
    pending += piece;
    if (!pending.ends_with('\n')) {
        return;
    }
    pending.pop_back();
    if (routeWrite && !pending.empty()) {
        routeWrite(std::string("ffmpeg ") + LevelName(pendingLevel) + ": " + pending);
    }
    pending.clear();
}

}  // namespace

FfmpegLogRoute::FfmpegLogRoute(std::function<void(const std::string&)> write) {
    {
        const std::lock_guard lock(routeMutex);
        routeWrite = std::move(write);
    }
    av_log_set_callback(RouteLine);
}

FfmpegLogRoute::~FfmpegLogRoute() {
    av_log_set_callback(av_log_default_callback);
    const std::lock_guard lock(routeMutex);
    routeWrite = nullptr;
}
