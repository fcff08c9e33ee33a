#include "host/sonaplex_host/health_view.h"

#include <chrono>

#include <httplib.h>

#include "host/sonaplex_host/health_report.h"

HealthView::HealthView() : server(std::make_unique<httplib::Server>()) {}

std::unique_ptr<HealthView> HealthView::Listen(const std::string& address, std::string& error) {
    const std::size_t colon = address.rfind(':');
    const std::string host = colon == std::string::npos ? "127.0.0.1" : address.substr(0, colon);
    const int port = std::stoi(colon == std::string::npos ? address : address.substr(colon + 1));
    std::unique_ptr<HealthView> view(new HealthView());
    HealthView* self = view.get();
    view->server->Get("/status", [self](const httplib::Request&, httplib::Response& response) {
        response.set_content(StatusJson(self->Snapshot()), "application/json");
    });
    view->server->Get("/metrics", [self](const httplib::Request&, httplib::Response& response) {
        response.set_content(PrometheusMetrics(self->Snapshot()), "text/plain; version=0.0.4");
    });
    if (!view->server->bind_to_port(host, port)) {
        error = "the address is taken or not this machine's";
        return nullptr;
    }
    view->thread = std::thread([self] { self->server->listen_after_bind(); });
    // stop() only ends a server that runs: the destructor must find it running.
    for (int wait = 0; wait < 2000 && !view->server->is_running(); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return view;
}

HealthView::~HealthView() {
    server->stop();
    if (thread.joinable()) {
        thread.join();
    }
}

void HealthView::Update(StationHealth snapshot) {
    const std::lock_guard lock(mutex);
    health = std::move(snapshot);
}

StationHealth HealthView::Snapshot() const {
    const std::lock_guard lock(mutex);
    return health;
}
