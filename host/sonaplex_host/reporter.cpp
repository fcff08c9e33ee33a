#include "host/sonaplex_host/reporter.h"

#include <cstdio>
#include <iostream>

#include <unistd.h>

#include "host/text_conversion.h"

std::string Utf8(const HostText& text) {
    return Utf16ToUtf8(text.c_str());
}

void Complain(const std::string& text) {
    std::cerr << "sonaplex-host: " << text << std::endl;
}

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kTerminalRedraw = std::chrono::milliseconds(250);
constexpr auto kPlainStatusInterval = std::chrono::seconds(10);
// Back to the line's start, and the line cleared to its end.
constexpr const char* kClearLine = "\r\x1b[K";

}  // namespace

Reporter::Reporter(const HostApplication& application)
    : application(application), terminal(::isatty(STDOUT_FILENO) == 1), statusShown(start) {}

void Reporter::Say(const std::string& line) {
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%s%7.2f s  %s\n%s", statusLine.empty() ? "" : kClearLine, elapsed, line.c_str(), statusLine.c_str());
    std::fflush(stdout);
}

void Reporter::ShowStatus(const std::string& line) {
    const auto now = Clock::now();
    if (terminal && now - statusShown >= kTerminalRedraw) {
        statusLine = line;
        std::printf("%s%s", kClearLine, line.c_str());
        std::fflush(stdout);
        statusShown = now;
    } else if (!terminal && now - statusShown >= kPlainStatusInterval) {
        Say(line);
        plainStatus = line;
        statusShown = now;
    }
}

void Reporter::FinishStatus(const std::string& line) {
    if (!statusLine.empty()) {
        std::printf("%s", kClearLine);
        statusLine.clear();
    }
    if (line != plainStatus) {
        Say(line);
    }
}

void Reporter::ReportNews(const SettingsWindowUser* user) {
    const auto& messages = application.Messages();
    for (; messagesShown < messages.size(); ++messagesShown) {
        const HostApplication::Message& message = messages[messagesShown];
        Say(std::string(message.boxed ? "message box \"" : "message \"") + Utf8(message.caption) +
            "\": " + Utf8(message.text));
    }
    if (user != nullptr) {
        const HostText status = user->StatusText();
        if (status != lastStatus) {
            lastStatus = status;
            Say(Utf8(status));
        }
    }
}
