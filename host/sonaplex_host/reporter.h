#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "host/sonaplex_host/host_application.h"
#include "host/sonaplex_host/settings_window_user.h"

// Prints, with the time since the host started, every status text as it
// changes, every message the plug-in shows and the host's own lines. On a
// terminal a live status line stays below them, redrawn in place; elsewhere
// it is printed as a plain line every 10 s.
class Reporter {
public:
    explicit Reporter(const HostApplication& application);

    void Say(const std::string& line);
    // The live status line, as it is now.
    void ShowStatus(const std::string& line);
    // The status line's last state, left as a plain line.
    void FinishStatus(const std::string& line);
    // The messages shown and the status text changed since the last call;
    // `user` none while no window is open.
    void ReportNews(const SettingsWindowUser* user);

private:
    const HostApplication& application;
    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    std::size_t messagesShown = 0;
    HostText lastStatus;
    const bool terminal;
    std::string statusLine;   // shown on the terminal now; empty when none
    std::string plainStatus;  // last printed as a plain line
    std::chrono::steady_clock::time_point statusShown;
};

// A UTF-16 text as UTF-8, for printing.
std::string Utf8(const HostText& text);

// A line on standard error, as "sonaplex-host: text".
void Complain(const std::string& text);
