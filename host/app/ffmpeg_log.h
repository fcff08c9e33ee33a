#pragma once

#include <functional>
#include <string>

// While it exists, every line FFmpeg logs in this process, the loaded
// module's included, goes to `write` as "ffmpeg LEVEL: [context] text"
// instead of raw onto standard error, at FFmpeg's log level (av_log's
// default: info and more severe). `write` runs on whichever thread logs, one
// line at a time.
class FfmpegLogRoute {
public:
    explicit FfmpegLogRoute(std::function<void(const std::string&)> write);
    // FFmpeg logs to standard error again.
    ~FfmpegLogRoute();
    FfmpegLogRoute(const FfmpegLogRoute&) = delete;
    FfmpegLogRoute& operator=(const FfmpegLogRoute&) = delete;
};
