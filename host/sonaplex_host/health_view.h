#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "host/sonaplex_host/stream_health.h"

namespace httplib {
class Server;
}

// The health view for monitors: an HTTP server on a thread of its own that
// answers GET /status (JSON) and GET /metrics (Prometheus' text format) from
// the last snapshot the station gave it. No request changes anything.
class HealthView {
public:
    // Listens on ADDR:PORT, or on 127.0.0.1 for a PORT alone; none, with
    // `error` set, when it cannot.
    static std::unique_ptr<HealthView> Listen(const std::string& address, std::string& error);
    // Stops serving and waits for the thread.
    ~HealthView();
    HealthView(const HealthView&) = delete;
    HealthView& operator=(const HealthView&) = delete;

    void Update(StationHealth health);

private:
    HealthView();
    StationHealth Snapshot() const;

    mutable std::mutex mutex;
    StationHealth health;
    std::unique_ptr<httplib::Server> server;
    std::thread thread;
};
