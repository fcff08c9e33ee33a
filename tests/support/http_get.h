#pragma once

// A minimal HTTP/1.0 GET over loopback for poking at the test server: status
// pages, admin pages, or the first bytes of a mount. Bounded in time and size.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace skyflume::test {

struct HttpResponse {
    bool ok = false;  // a status line was received
    int status = 0;
    std::map<std::string, std::string> headers;  // names lower-cased
    std::string body;
    std::string error;
};

struct HttpGetOptions {
    std::string basicAuthUser;  // empty: no Authorization header
    std::string basicAuthPassword;
    std::chrono::milliseconds timeout = std::chrono::seconds(5);
    std::size_t maxBodyBytes = 4 * 1024 * 1024;  // stops reading a live stream
};

HttpResponse HttpGet(const std::string& host, uint16_t port, const std::string& path,
                     const HttpGetOptions& options = {});

// True if a TCP connection to host:port succeeds within timeout.
bool CanConnect(const std::string& host, uint16_t port, std::chrono::milliseconds timeout);

}  // namespace skyflume::test
