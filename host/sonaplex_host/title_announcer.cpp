#include "host/sonaplex_host/title_announcer.h"

#include <utility>

#include "host/app/http_request.h"

namespace {

std::string Outcome(const HttpAnswer& answer) {
    if (answer.outcome != HttpAnswer::Outcome::Answered) {
        return answer.error.empty() ? "no answer" : answer.error;
    }
    return answer.statusLine;
}

}  // namespace

TitleAnnouncer::TitleAnnouncer() : thread([this] { Run(); }) {}

TitleAnnouncer::~TitleAnnouncer() {
    {
        const std::lock_guard lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    thread.join();
}

void TitleAnnouncer::Announce(const ConnectionSettings& settings, const std::string& title) {
    {
        const std::lock_guard lock(mutex);
        pending.emplace(settings, title);
    }
    wake.notify_all();
}

std::vector<std::string> TitleAnnouncer::TakeReports() {
    const std::lock_guard lock(mutex);
    return std::exchange(reports, {});
}

void TitleAnnouncer::Run() {
    std::unique_lock lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return stopping || pending; });
        if (stopping) {
            return;
        }
        const auto [settings, title] = *std::exchange(pending, std::nullopt);
        lock.unlock();
        // The charset parameter makes the server read the title as UTF-8
        // whatever the mount's own charset.
        const HttpAnswer answer =
            HttpGet({.host = settings.server,
                     .port = settings.port,
                     .path = "/admin/metadata",
                     .query = {{"mount", settings.mount}, {"mode", "updinfo"}, {"song", title}, {"charset", "UTF-8"}},
                     .user = settings.user,
                     .password = settings.password,
                     .stopRequested = [this] { return stopping.load(); }});
        lock.lock();
        if (answer.outcome == HttpAnswer::Outcome::Stopped) {
            return;
        }
        reports.push_back(answer.outcome == HttpAnswer::Outcome::Answered && answer.status == 200
                              ? "title \"" + title + "\" announced"
                              : "title \"" + title + "\" not announced: " + Outcome(answer));
    }
}
