#include "host/app/listener_count.h"

#include <charconv>
#include <chrono>

#include "host/app/http_request.h"
#include "host/app/status_page.h"

namespace {

constexpr auto kInterval = std::chrono::seconds(2);

}  // namespace

std::optional<int> ListenersInStatusPage(const std::string& json, const std::string& mount) {
    const auto entry = MountEntryInStatusPage(json, mount);
    if (!entry || !entry->contains("listeners")) {
        return std::nullopt;
    }
    int count = 0;
    const std::string& text = entry->at("listeners");
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    return error == std::errc() && end == text.data() + text.size() ? std::optional<int>(count) : std::nullopt;
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
