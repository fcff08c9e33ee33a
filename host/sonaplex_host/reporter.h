#pragma once

#include <cstddef>
#include <string>

#include "host/application_base.h"
#include "host/sonaplex_host/log_writer.h"
#include "host/sonaplex_host/settings_window_user.h"

// Reports one stream: every status text as it changes, every message its
// plug-in shows and the host's own lines about it, each with the stream's tag.
class Reporter {
public:
    Reporter(const ApplicationBase& application, LogWriter& log, std::string tag)
        : application(application), log(log), tag(std::move(tag)) {}

    void Say(const std::string& line) { log.Line(tag, line); }
    // The messages shown and the status text changed since the last call;
    // `user` none while no window is open.
    void ReportNews(const SettingsWindowUser* user);

    const std::string& Tag() const { return tag; }
    void Retag(std::string newTag) { tag = std::move(newTag); }

private:
    const ApplicationBase& application;
    LogWriter& log;
    std::string tag;
    std::size_t messagesShown = 0;
    HostText lastStatus;
};

// A UTF-16 text as UTF-8, for printing.
std::string Utf8(const HostText& text);

// A line on standard error, as "sonaplex-host: text".
void Complain(const std::string& text);
