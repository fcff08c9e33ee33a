#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// What the relay saw one source send on its mount: the bytes of the
// request's body (the MP3 stream), when they arrived, and, if asked for,
// the bytes themselves.
class SourceTraffic {
public:
    using Clock = std::chrono::steady_clock;

    explicit SourceTraffic(bool keepBody) : keepBody(keepBody) {}

    // Body bytes seen so far.
    int64_t BodyBytes() const { return bodyBytes.load(std::memory_order_acquire); }
    // When the first body byte came after `after`; none if none has yet.
    std::optional<Clock::time_point> FirstBodyByteAfter(Clock::time_point after) const;
    // The whole body, when the traffic was made to keep it.
    std::string Body() const;
    // Whether the source's connection has closed.
    bool Closed() const { return closed.load(); }

    // The relay's side.
    void Note(const char* bytes, size_t count, Clock::time_point when);
    void Close() { closed = true; }

private:
    const bool keepBody;
    std::atomic<int64_t> bodyBytes{0};
    std::atomic<bool> closed{false};
    mutable std::mutex mutex;
    // The arrival time of each piece of the body that came in one read.
    std::vector<Clock::time_point> arrivals;
    std::string body;
};

// A TCP relay on a free loopback port in front of the Icecast server. What
// a source sends and what the server answers pass through unchanged, one
// read at a time, so that a server that stops reading holds the source up
// as it would without the relay. Each connection is matched to its mount
// by its request line.
class SourceRelay {
public:
    explicit SourceRelay(uint16_t serverPort);
    // Closes every connection and ends every thread.
    ~SourceRelay();
    SourceRelay(const SourceRelay&) = delete;
    SourceRelay& operator=(const SourceRelay&) = delete;

    // 0 when no port could be had.
    uint16_t Port() const { return port; }
    // Watches the next source on `mount`; call before it connects.
    std::shared_ptr<SourceTraffic> Watch(const std::string& mount, bool keepBody);

private:
    void Accept();
    void Relay(int client);
    std::shared_ptr<SourceTraffic> TrafficOf(const std::string& requestHead);

    const uint16_t serverPort;
    int listener = -1;
    uint16_t port = 0;
    std::atomic<bool> stopping{false};
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<SourceTraffic>> watched;
    std::vector<std::thread> connections;
    std::thread acceptor;  // last, so that it starts with everything above in place
};
