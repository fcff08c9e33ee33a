#pragma once

#include <chrono>
#include <mutex>
#include <string>

// Where every line of the host goes: standard output, one line per event.
// On a terminal a line starts with the seconds since the host started, and
// a live status line stays below the others, redrawn in place. Elsewhere (a
// pipe, a file, the journal) a line starts with its ISO 8601 time and the
// status line is printed as a line every 10 s. A line about one stream
// carries the stream's tag (its mount), on a terminal only when there are
// several. Any thread may write.
class LogWriter {
public:
    explicit LogWriter(bool severalStreams);

    // `tag` empty for a line about the whole host.
    void Line(const std::string& tag, const std::string& text);
    // The live status line, as it is now.
    void ShowStatus(const std::string& line);
    // The status line's last state, left as a plain line.
    void FinishStatus(const std::string& line);

private:
    void Print(const std::string& tag, const std::string& text);

    const bool terminal;
    const bool severalStreams;
    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    std::mutex mutex;
    std::string statusLine;   // shown on the terminal now; empty when none
    std::string plainStatus;  // last printed as a plain line
    std::chrono::steady_clock::time_point statusShown;
};
