#include "host/sonaplex_host/log_writer.h"

#include <cstdio>
#include <ctime>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kTerminalRedraw = std::chrono::milliseconds(250);
constexpr auto kPlainStatusInterval = std::chrono::seconds(10);
// Back to the line's start, and the line cleared to its end.
constexpr const char* kClearLine = "\r\x1b[K";

// Now as 2026-12-09T02:19:49.123Z.
std::string IsoTime() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[40];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(text + length, sizeof text - length, ".%03dZ", static_cast<int>(millis));
    return text;
}

}  // namespace

LogWriter::LogWriter(bool severalStreams)
    : terminal(::isatty(STDOUT_FILENO) == 1), severalStreams(severalStreams), statusShown(start) {}

void LogWriter::Print(const std::string& tag, const std::string& text) {
    if (terminal) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        const std::string tagged = severalStreams && !tag.empty() ? tag + "  " : "";
        std::printf("%s%7.2f s  %s%s\n%s", statusLine.empty() ? "" : kClearLine, elapsed, tagged.c_str(), text.c_str(),
                    statusLine.c_str());
    } else {
        std::printf("%s %s%s\n", IsoTime().c_str(), tag.empty() ? "" : (tag + " ").c_str(), text.c_str());
    }
    std::fflush(stdout);
}

void LogWriter::Line(const std::string& tag, const std::string& text) {
    const std::lock_guard lock(mutex);
    Print(tag, text);
}

void LogWriter::ShowStatus(const std::string& line) {
    const std::lock_guard lock(mutex);
    const auto now = Clock::now();
    if (terminal && now - statusShown >= kTerminalRedraw) {
        statusLine = line;
        std::printf("%s%s", kClearLine, line.c_str());
        std::fflush(stdout);
        statusShown = now;
    } else if (!terminal && now - statusShown >= kPlainStatusInterval) {
        Print("", line);
        plainStatus = line;
        statusShown = now;
    }
}

void LogWriter::FinishStatus(const std::string& line) {
    const std::lock_guard lock(mutex);
    if (!statusLine.empty()) {
        std::printf("%s", kClearLine);
        statusLine.clear();
    }
    if (line != plainStatus) {
        Print("", line);
    }
}
