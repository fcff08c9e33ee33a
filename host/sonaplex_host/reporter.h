#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "host/sonaplex_host/host_application.h"
#include "host/sonaplex_host/settings_window_user.h"

// Prints, with the time since the host started, every status text as it
// changes, every message the plug-in shows and the host's own lines.
class Reporter {
public:
    explicit Reporter(const HostApplication& application) : application(application) {}

    void Say(const std::string& line) const;
    // The messages shown and the status text changed since the last call;
    // `user` none while no window is open.
    void ReportNews(const SettingsWindowUser* user);

private:
    const HostApplication& application;
    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    std::size_t messagesShown = 0;
    HostText lastStatus;
};

// A UTF-16 text as UTF-8, for printing.
std::string Utf8(const HostText& text);

// A line on standard error, as "sonaplex-host: text".
void Complain(const std::string& text);
