#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// One HTTP GET to a server, through libcurl, bounded in time and size and
// never through a proxy, so that a login given here goes to that server only.

struct HttpRequest {
    std::string host;  // a name, an IPv4 address or a bare IPv6 address
    std::string port;  // as typed; anything but 1 to 65535 is a bad address
    std::string path;
    std::vector<std::pair<std::string, std::string>> query;  // encoded here
    std::string user;                                        // with the password as Basic login; empty: none
    std::string password;
    std::chrono::milliseconds timeout = std::chrono::seconds(3);  // connection and answer together
    std::function<bool()> stopRequested;                          // polled every 50 ms; true gives up
};

struct HttpAnswer {
    enum class Outcome {
        Answered,      // an HTTP response came: status, statusLine, server, body
        BadAddress,    // host or port cannot make a URL
        Unresolved,    // the name does not resolve
        Refused,       // nothing listens at host:port
        NoConnection,  // no connection within the time-out
        NoAnswer,      // connected, but no response within the time-out
        NotHttp,       // something answered, but not in HTTP
        Stopped,       // stopRequested said so
        Failed,        // anything else: see error
    };
    Outcome outcome = Outcome::Failed;
    long status = 0;
    std::string statusLine;  // "HTTP/1.0 404 Not Found"
    std::string server;      // the Server header
    std::string body;        // at most 64 KiB of it
    std::string error;       // libcurl's text when not Answered
};

HttpAnswer HttpGet(const HttpRequest& request);
