#pragma once

#include <functional>
#include <string>

// The connection texts that the settings window held for a stream, in UTF-8.
struct ConnectionSettings {
    std::string server;
    std::string port;
    std::string mount;
    std::string user;
    std::string password;
};

// Why a stream could not be created, or why it broke off, in one line with
// what to do, found out from what the same server and port answer to a
// request of the host's own (the mount's statistics, with the stream's
// login). The password is sent there only and never appears in the line.
// Empty when `stopRequested` said to give up first.
std::string ExplainCreateError(const ConnectionSettings& settings, const std::function<bool()>& stopRequested);
std::string ExplainWriteError(const ConnectionSettings& settings, const std::function<bool()>& stopRequested);
