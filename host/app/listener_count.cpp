#include "host/app/listener_count.h"

#include <nlohmann/json.hpp>

#include <chrono>

#include "host/app/http_request.h"

namespace {

constexpr auto kInterval = std::chrono::seconds(2);

}  // namespace

std::optional<int> ListenersInStatusPage(const std::string& json, const std::string& mount) {
    const nlohmann::json page = nlohmann::json::parse(json, nullptr, false);
    if (page.is_discarded() || !page.contains("icestats") || !page["icestats"].contains("source")) {
        return std::nullopt;
    }
    // One source is an object, several an array.
    nlohmann::json sources = page["icestats"]["source"];
    if (!sources.is_array()) {
        sources = nlohmann::json::array({sources});
    }
    for (const nlohmann::json& source : sources) {
        const auto url = source.find("listenurl");
        const auto count = source.find("listeners");
        if (url == source.end() || !url->is_string() || count == source.end() || !count->is_number_integer()) {
            continue;
        }
        // http://host:port/mount: the path after the address.
        const std::string text = url->get<std::string>();
        const std::size_t address = text.find("://");
        const std::size_t path = text.find('/', address == std::string::npos ? 0 : address + 3);
        if (path != std::string::npos && text.compare(path, std::string::npos, mount) == 0) {
            return count->get<int>();
        }
    }
    return std::nullopt;
}

ListenerCount::ListenerCount() : thread([this] { Run(); }) {}

ListenerCount::~ListenerCount() {
    {
        const std::lock_guard lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    thread.join();
}

void ListenerCount::Watch(const std::string& newHost, const std::string& newPort, const std::string& newMount) {
    {
        const std::lock_guard lock(mutex);
        host = newHost;
        port = newPort;
        mount = newMount;
        listeners.reset();
    }
    wake.notify_all();
}

std::optional<int> ListenerCount::Listeners() const {
    const std::lock_guard lock(mutex);
    return listeners;
}

void ListenerCount::Run() {
    std::unique_lock lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return stopping || !host.empty(); });
        if (stopping) {
            return;
        }
        HttpRequest request;
        request.host = host;
        request.port = port;
        request.path = "/status-json.xsl";
        request.stopRequested = [this] { return stopping.load(); };
        const std::string watched = mount;
        lock.unlock();
        const HttpAnswer answer = HttpGet(request);
        lock.lock();
        if (request.host == host && watched == mount) {
            listeners = answer.outcome == HttpAnswer::Outcome::Answered && answer.status == 200
                            ? ListenersInStatusPage(answer.body, watched)
                            : std::nullopt;
        }
        wake.wait_for(lock, kInterval, [this] { return stopping.load(); });
    }
}
